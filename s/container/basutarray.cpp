// basutarray.cpp - UT_PORT_BASE_ARRAY: sorting, binary search and the element operations that
// work on any array through getaddr.
#include "basutarray.h"

#include "Port_MsgManData.h"
#include "container/contmem.h"
#include "container/quicksort.h"

#include <cstring>

namespace {
const char *const kRevision = "$Revision: 1.1 $";

} // namespace

UT_PORT_BASE_ARRAY::UT_PORT_BASE_ARRAY(int elementSize, int step, unsigned char clear)
    : m_clear(clear), m_elementSize(elementSize), m_allocated(0), m_used(0), m_step(step) {}

UT_PORT_BASE_ARRAY::~UT_PORT_BASE_ARRAY() = default;

void UT_PORT_BASE_ARRAY::badindex() {
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
      ->issueFatal(19, "Bad index.\n");
}

void UT_PORT_BASE_ARRAY::clearmem(void *p, int bytes) {
  if (p && bytes > 0)
    std::memset(p, 0, static_cast<size_t>(bytes));
}

void UT_PORT_BASE_ARRAY::qsort(int from, int to, CompareFunc compare) {
  if (!compare || from < 0 || to >= m_used || from >= to)
    return;
  quicksort::Scratch scratch(m_elementSize);
  quicksort::sort(
      from, to, m_elementSize, compare, [this](int i) { return getaddr(i); }, scratch.get());
}

void UT_PORT_BASE_ARRAY::a_sort(CompareFunc compare, int from, int to) {
  if (m_used == 0 || !compare)
    return;
  if (to < 0 || to >= m_used)
    to = m_used - 1;
  if (from < 0)
    from = 0;
  if (from >= to)
    return;
  qsort(from, to, compare);
  void *previous = getaddr(from);
  for (int i = from; i < to; ++i) {
    void *next = getaddr(i + 1);
    if (compare(previous, next) > 0) {
      Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
          ->issueFatal(19, "Sort produced an unsorted list.\n");
      return;
    }
    previous = next;
  }
}

int UT_PORT_BASE_ARRAY::a_sortadd(const void *key, CompareFunc compare) {
  int at = -1;
  searchinsert(key, compare, true, &at);
  return at;
}

int UT_PORT_BASE_ARRAY::a_bsearch(const void *key, CompareFunc compare) {
  return a_bsearch(key, compare, 0);
}

int UT_PORT_BASE_ARRAY::a_bsearch(const void *key, CompareFunc compare, unsigned char insert) {
  return searchinsert(key, compare, insert != 0, nullptr);
}

int UT_PORT_BASE_ARRAY::searchinsert(const void *key, CompareFunc compare, bool insert,
                                     int *insertedAt) {
  if (!key || !compare)
    return -1;
  int low = 0, high = m_used - 1, found = -1;
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int c = compare(key, getaddr(mid));
    if (c == 0) {
      found = mid;
      break;
    }
    if (c < 0)
      high = mid - 1;
    else
      low = mid + 1;
  }
  if (found >= 0)
    while (found > 0 && compare(key, getaddr(found - 1)) == 0)
      --found;
  if (!insert)
    return found;

  int at = found >= 0 ? found : low;
  // The key may lie inside the array, which the shift moves or reallocates.
  quicksort::Scratch copy(m_elementSize);
  std::memcpy(copy.get(), key, static_cast<size_t>(m_elementSize));
  if (at >= m_used)
    getaddr(m_used);
  else
    a_shift(at, 1);
  std::memcpy(getaddr(at), copy.get(), static_cast<size_t>(m_elementSize));
  if (insertedAt)
    *insertedAt = at;
  return found;
}

void UT_PORT_BASE_ARRAY::a_shift(int index, int direction) {
  size_t size = static_cast<size_t>(m_elementSize);
  if (direction > 0) {
    if (index < 0 || index > m_used)
      return;
    int last = m_used;
    getaddr(last);
    for (int i = last; i > index; --i)
      std::memcpy(getaddr(i), getaddr(i - 1), size);
    return;
  }
  if (index <= 0 || index > m_used)
    return;
  for (int i = index; i < m_used; ++i)
    std::memcpy(getaddr(i - 1), getaddr(i), size);
  if (m_clear)
    clearmem(getaddr(m_used - 1), m_elementSize);
  --m_used;
}

void UT_PORT_BASE_ARRAY::a_resetnum(int n) {
  if (n < 0) {
    badindex();
    return;
  }
  if (n > m_used)
    getaddr(n - 1);
  else
    m_used = n;
}

void *UT_PORT_BASE_ARRAY::a_makearray() {
  if (m_used == 0)
    return nullptr;
  size_t size = static_cast<size_t>(m_elementSize);
  unsigned char *copy =
      static_cast<unsigned char *>(contmem::allocate(size * static_cast<size_t>(m_used)));
  for (int i = 0; i < m_used; ++i)
    std::memcpy(copy + size * static_cast<size_t>(i), getaddr(i), size);
  return copy;
}
