// basutdarray.cpp - UT_PORT_DARRAY: one contiguous buffer that grows in whole steps.
#include "basutdarray.h"

#include "container/contmem.h"
#include "container/quicksort.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace {
// Byte size of count elements; sizes beyond what can be addressed are left to the allocator
// to refuse, which reports them as running out of memory.
size_t bytesfor(int count, int elementSize) {
  return static_cast<size_t>(count) * static_cast<size_t>(elementSize);
}
} // namespace

UT_PORT_DARRAY::UT_PORT_DARRAY(void **storage, int elementSize, int step, unsigned char clear)
    : UT_PORT_BASE_ARRAY(elementSize < 1 ? 1 : elementSize, step, clear), m_storage(storage),
      m_buffer(nullptr) {
  // Below 40 bytes a step grows too often to be worth a reallocation.
  if (m_step < 1 || static_cast<int64_t>(m_step) * m_elementSize < 40)
    m_step = m_elementSize >= 40 ? 1 : 40 / m_elementSize;
  reallocate(m_step);
  if (m_clear)
    clearmem(m_buffer, m_step * m_elementSize);
}

UT_PORT_DARRAY::~UT_PORT_DARRAY() {
  contmem::release(m_buffer);
  setbuffer(nullptr);
}

void UT_PORT_DARRAY::setbuffer(void *buffer) {
  m_buffer = buffer;
  if (m_storage)
    *m_storage = buffer;
}

void UT_PORT_DARRAY::reallocate(int count) {
  setbuffer(contmem::reallocate(m_buffer, bytesfor(count, m_elementSize)));
  m_allocated = count;
}

void *UT_PORT_DARRAY::getaddr(int index) {
  // INT_MAX has no room for a count of index + 1.
  if (index < 0 || index == std::numeric_limits<int>::max()) {
    badindex();
    return nullptr;
  }
  if (index >= m_allocated) {
    int64_t wanted = (static_cast<int64_t>(index) / m_step + 1) * m_step;
    // Beyond the int range the array cannot count its elements: report it as out of memory.
    if (wanted > std::numeric_limits<int>::max())
      wanted = std::numeric_limits<int>::max();
    int old = m_allocated;
    reallocate(static_cast<int>(wanted));
    if (m_clear)
      std::memset(static_cast<unsigned char *>(m_buffer) + bytesfor(old, m_elementSize), 0,
                  bytesfor(m_allocated - old, m_elementSize));
  }
  if (index >= m_used)
    m_used = index + 1;
  return static_cast<unsigned char *>(m_buffer) + bytesfor(index, m_elementSize);
}

int UT_PORT_DARRAY::intgetindex(void *address) {
  uintptr_t p = reinterpret_cast<uintptr_t>(address);
  uintptr_t base = reinterpret_cast<uintptr_t>(m_buffer);
  if (!m_buffer || p < base)
    return -1;
  uintptr_t offset = p - base;
  if (offset % static_cast<uintptr_t>(m_elementSize) != 0)
    return -1;
  uintptr_t index = offset / static_cast<uintptr_t>(m_elementSize);
  return index < static_cast<uintptr_t>(m_used) ? static_cast<int>(index) : -1;
}

// The same sort as the base class's, reaching the elements directly in the buffer.
void UT_PORT_DARRAY::qsort(int from, int to, CompareFunc compare) {
  if (!compare || from < 0 || to >= m_used || from >= to)
    return;
  quicksort::Scratch scratch(m_elementSize);
  unsigned char *base = static_cast<unsigned char *>(m_buffer);
  // The common element sizes get a sort of their own, with the addressing and swaps inline.
  switch (m_elementSize) {
  case 4:
    quicksort::sort<4>(
        from, to, 4, compare, [base](int i) { return base + 4 * static_cast<size_t>(i); },
        scratch.get());
    break;
  case 8:
    quicksort::sort<8>(
        from, to, 8, compare, [base](int i) { return base + 8 * static_cast<size_t>(i); },
        scratch.get());
    break;
  default: {
    const size_t size = static_cast<size_t>(m_elementSize);
    quicksort::sort(
        from, to, m_elementSize, compare,
        [base, size](int i) { return base + size * static_cast<size_t>(i); }, scratch.get());
  }
  }
}

void UT_PORT_DARRAY::a_shift(int index, int direction) {
  unsigned char *b;
  if (direction > 0) {
    if (index < 0 || index > m_used)
      return;
    int last = m_used;
    getaddr(last);
    b = static_cast<unsigned char *>(m_buffer);
    std::memmove(b + bytesfor(index + 1, m_elementSize), b + bytesfor(index, m_elementSize),
                 bytesfor(last - index, m_elementSize));
    return;
  }
  if (index <= 0 || index > m_used)
    return;
  b = static_cast<unsigned char *>(m_buffer);
  std::memmove(b + bytesfor(index - 1, m_elementSize), b + bytesfor(index, m_elementSize),
               bytesfor(m_used - index, m_elementSize));
  --m_used;
  if (m_clear)
    clearmem(b + bytesfor(m_used, m_elementSize), m_elementSize);
}

void UT_PORT_DARRAY::a_resetnum(int n) {
  if (n < 0) {
    badindex();
    return;
  }
  if (n > m_used) {
    getaddr(n - 1);
    return;
  }
  m_used = n;
  if (m_allocated - n >= m_step) {
    int keep = n == 0 ? m_step : ((n - 1) / m_step + 1) * m_step;
    reallocate(keep);
  }
  if (m_clear)
    std::memset(static_cast<unsigned char *>(m_buffer) + bytesfor(n, m_elementSize), 0,
                bytesfor(m_allocated - n, m_elementSize));
}

void *UT_PORT_DARRAY::a_makearray() {
  if (m_used == 0)
    return nullptr;
  size_t bytes = bytesfor(m_used, m_elementSize);
  void *copy = contmem::allocate(bytes);
  std::memcpy(copy, m_buffer, bytes);
  return copy;
}
