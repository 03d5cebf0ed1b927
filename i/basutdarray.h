// basutdarray.h - UT_PORT_DARRAY, the contiguous growable array, and the typed arrays that
// derive from it.
//
// Elements are raw bytes: the array copies and moves them with memory moves and never runs a
// constructor, a destructor or an assignment operator; growing may move the whole buffer
// (realloc). The typed arrays therefore accept trivially copyable element types only.
//
// A derived class keeps a typed pointer to the elements and hands its address to the array as
// the storage reference; the array rewrites that pointer whenever it allocates or moves the
// buffer, so the typed pointer is always current.
//
// Threads: an array is not locked and is used by one thread at a time; growing may move the
// buffer under a reader.
#ifndef BASUTDARRAY_H
#define BASUTDARRAY_H

#include "Port_Export.h"

#include "basutarray.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

class PORT_API UT_PORT_DARRAY : public UT_PORT_BASE_ARRAY {
public:
  // storage: where to keep the current buffer address (may be null). When step * elementSize
  // is below 40 bytes the step becomes 40 / elementSize. The first buffer holds one step of
  // elements.
  UT_PORT_DARRAY(void **storage, int elementSize, int step, unsigned char clear);
  ~UT_PORT_DARRAY() override;

  void qsort(int from, int to, CompareFunc compare) override;
  void a_shift(int index, int direction) override;
  // Shrinking also gives back whole steps of allocation beyond the count (keeping at least one
  // step); with the clear flag the elements from n to the end of the allocation are zeroed.
  void a_resetnum(int n) override;
  int intgetindex(void *address) override;
  void *a_makearray() override;
  // When index is beyond the allocation, the allocation becomes ((index / step) + 1) * step
  // elements; when it is at or beyond the used count, the count becomes index + 1. Appending is
  // getaddr(getnum()).
  void *getaddr(int index) override;

  // The buffer (valid until the array next grows or shrinks).
  void *getbuffer() const { return m_buffer; }

private:
  // Reallocates to count elements; the buffer reference follows.
  void reallocate(int count);
  void setbuffer(void *buffer);

  void **m_storage;
  void *m_buffer;
};

namespace port_darray_detail {
// Holds the buffer address that the array keeps current; a base of the typed array so that it
// is in place before the UT_PORT_DARRAY constructor writes through the storage reference. It
// is kept as void* (the type the array writes) and converted on reading.
struct PORT_API TypedStorage {
  void *m_data = nullptr;
};
} // namespace port_darray_detail

// A growable array of T over UT_PORT_DARRAY. data() reads through the buffer reference that the
// array keeps current.
template <class T>
class PORT_API PORT_DARRAY_TYPED : private port_darray_detail::TypedStorage, public UT_PORT_DARRAY {
  static_assert(std::is_trivially_copyable<T>::value,
                "the arrays move elements as raw bytes: T must be trivially copyable");

public:
  explicit PORT_DARRAY_TYPED(int step = 10, unsigned char clear = 1)
      : UT_PORT_DARRAY(&this->m_data, static_cast<int>(sizeof(T)), step, clear) {}

  // Element index, growing the array to include it.
  T &operator[](int index) { return *static_cast<T *>(getaddr(index)); }
  // Appends value and returns its index.
  int append(const T &value) {
    int index = m_used;
    if (index < m_allocated) // room in the buffer: getaddr would only count it
      ++m_used;
    else
      getaddr(index);
    data()[index] = value;
    return index;
  }
  T *data() { return static_cast<T *>(this->m_data); }
  const T *data() const { return static_cast<const T *>(this->m_data); }
};

typedef std::ptrdiff_t Port_PtrDiff;

class PORT_API PORT_DARRAY_Port_PtrDiff : public PORT_DARRAY_TYPED<Port_PtrDiff> {
public:
  using PORT_DARRAY_TYPED<Port_PtrDiff>::PORT_DARRAY_TYPED;
};

// The byte array of the encoded text files.
typedef std::uint8_t Port_UINT8;

class PORT_API PORT_DARRAY_Port_UINT8 : public PORT_DARRAY_TYPED<Port_UINT8> {
public:
  using PORT_DARRAY_TYPED<Port_UINT8>::PORT_DARRAY_TYPED;
};

#endif
