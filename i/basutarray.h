// basutarray.h - UT_PORT_BASE_ARRAY, the abstract array of fixed-size elements with sorting
// and binary search that the library's growable arrays derive from.
//
// Elements are raw bytes: the arrays copy and move them with memory moves (memcpy/memmove)
// and never run a constructor, a destructor or an assignment operator. Only trivially
// copyable data belongs in them.
//
// None of the containers locks; an array is used by one thread at a time.
#ifndef BASUTARRAY_H
#define BASUTARRAY_H

#include "Port_Export.h"

class PORT_API UT_PORT_BASE_ARRAY {
public:
  // Three-way comparison of two elements (or of a key and an element): negative, 0, positive.
  typedef int (*CompareFunc)(const void *, const void *);

  // elementSize in bytes; step: elements added each time the array grows; clear: new memory
  // is zeroed.
  UT_PORT_BASE_ARRAY(int elementSize, int step, unsigned char clear);
  UT_PORT_BASE_ARRAY(const UT_PORT_BASE_ARRAY &) = delete;
  UT_PORT_BASE_ARRAY &operator=(const UT_PORT_BASE_ARRAY &) = delete;

  // Zeroes bytes bytes at p.
  virtual void clearmem(void *p, int bytes);

  // Quicksort of the elements from..to inclusive. The middle element is the pivot; elements
  // equal to it are gathered beside it and left out of the further partitions, so data with
  // few distinct values sorts in n log n. The smaller part is sorted by recursion, the larger
  // by iteration, which bounds the stack depth by log2(n).
  virtual void qsort(int from, int to, CompareFunc compare);

  // direction > 0: opens a slot at index (0 <= index < count) by moving the elements from index
  // up by one; the slot keeps a copy of its former element; index == count appends a slot.
  // direction <= 0: removes the element at index - 1 (0 < index <= count). Other indexes change
  // nothing.
  virtual void a_shift(int index, int direction);

  // Sorts from..to (to == -1: the last element) and ends the process with exit value 19 when
  // the result is not in order (the comparison is not a consistent order). Indexes outside the
  // array are clamped to it; an empty array or range is left alone.
  virtual void a_sort(CompareFunc compare, int from = 0, int to = -1);

  // Inserts the element-size bytes at key in order (before any equal elements) and returns the
  // index it now has.
  virtual int a_sortadd(const void *key, CompareFunc compare);

  // Binary search of the whole array (which must be sorted by compare) with compare(key,
  // element). Returns the index of the first element equal to key, or -1. With insert, key
  // (element-size bytes) is also stored: before the first equal element, or where it keeps
  // the order. key may point into the array itself.
  virtual int a_bsearch(const void *key, CompareFunc compare);
  virtual int a_bsearch(const void *key, CompareFunc compare, unsigned char insert);

  // Sets the used count to n (n >= 0; a negative count is a fatal error with exit value 19).
  // Growing goes through getaddr(n - 1).
  virtual void a_resetnum(int n);

  // The index of the element at address, or -1 when address is not the start of a used
  // element.
  virtual int intgetindex(void *address) = 0;

  // A new buffer from qel_malloc holding a copy of the used elements, which the caller frees
  // with qel_free; null when the array is empty.
  virtual void *a_makearray();

  virtual ~UT_PORT_BASE_ARRAY();

  // The address of element index, growing the array to include it. A negative index is a
  // fatal error with exit value 19.
  virtual void *getaddr(int index) = 0;

  int getnum() const { return m_used; }
  int getallocated() const { return m_allocated; }
  int getelemsize() const { return m_elementSize; }
  int getstep() const { return m_step; }
  unsigned char getclear() const { return m_clear; }

protected:
  // a_bsearch; with insert, *insertedAt (when given) receives the index the key was stored at.
  int searchinsert(const void *key, CompareFunc compare, bool insert, int *insertedAt);
  static void badindex();

  unsigned char m_clear;
  int m_elementSize;
  int m_allocated;
  int m_used;
  int m_step;
};

#endif
