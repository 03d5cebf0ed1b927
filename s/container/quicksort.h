// quicksort.h - the arrays' quicksort, over any way of reaching element i.
//
// One partition step on from..to, with the middle element moved to from as the pivot:
//   [pivot][equal ...][less ...][greater ...]   while scanning,
//   [less ...][pivot, equal ...][greater ...]   after the equal block is swapped behind the
//                                               less block.
// Elements equal to the pivot are done; when nothing compared less, only the upper part remains.
// The smaller part is sorted by recursion and the larger by iteration, so the stack depth stays
// below log2(n), and data with few distinct values takes n log n comparisons, not n * n.
#ifndef PORT_CONTAINER_QUICKSORT_H
#define PORT_CONTAINER_QUICKSORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace quicksort {

typedef int (*CompareFunc)(const void *, const void *);

// Scratch space of one element for swaps and key copies; small elements stay on the stack.
class Scratch {
public:
  explicit Scratch(int size) {
    if (size > static_cast<int>(sizeof(m_local)))
      m_heap.reset(new unsigned char[size]);
  }
  void *get() { return m_heap ? static_cast<void *>(m_heap.get()) : m_local; }

private:
  alignas(std::max_align_t) unsigned char m_local[64];
  std::unique_ptr<unsigned char[]> m_heap;
};

// Swaps two elements of the size of Word, moved as Words.
template <class Word> inline __attribute__((always_inline)) void swapas(void *a, void *b) {
  Word x, y;
  std::memcpy(&x, a, sizeof x);
  std::memcpy(&y, b, sizeof y);
  std::memcpy(a, &y, sizeof y);
  std::memcpy(b, &x, sizeof x);
}

// Swaps two elements of size bytes through scratch; the common sizes move as integers.
inline __attribute__((always_inline)) void swapbytes(void *a, void *b, int size, void *scratch) {
  if (a == b)
    return;
  switch (size) {
  case 4:
    swapas<uint32_t>(a, b);
    return;
  case 8:
    swapas<uint64_t>(a, b);
    return;
  default:
    std::memcpy(scratch, a, static_cast<size_t>(size));
    std::memcpy(a, b, static_cast<size_t>(size));
    std::memcpy(b, scratch, static_cast<size_t>(size));
  }
}

// addr(i) gives the address of element i. Size, when not 0, is the element size known at compile
// time (the swaps are then inline moves); otherwise size is used.
template <int Size = 0, class Addr>
void sort(int from, int to, int size, CompareFunc compare, const Addr &addr, void *scratch) {
  auto swap = [&](int a, int b) {
    if (a != b)
      swapbytes(addr(a), addr(b), Size ? Size : size, scratch);
  };
  while (from < to) {
    swap(from, from + (to - from) / 2);
    int equalEnd = from; // last element of the equal block (the pivot itself at first)
    int lessEnd = from;  // last element of the less block
    for (int i = from + 1; i <= to; ++i) {
      int c = compare(addr(i), addr(from));
      if (c > 0)
        continue;
      swap(++lessEnd, i);
      if (c == 0)
        swap(++equalEnd, lessEnd);
    }
    int equalCount = equalEnd - from + 1;
    int lessCount = lessEnd - equalEnd;
    int moves = equalCount < lessCount ? equalCount : lessCount;
    for (int k = 0; k < moves; ++k)
      swap(from + k, lessEnd - k);

    if (lessCount == 0) {
      from = lessEnd + 1;
      continue;
    }
    int lowTo = from + lessCount - 1;
    int highFrom = lessEnd + 1;
    if (lowTo - from < to - highFrom) {
      sort<Size>(from, lowTo, size, compare, addr, scratch);
      from = highFrom;
    } else {
      sort<Size>(highFrom, to, size, compare, addr, scratch);
      to = lowTo;
    }
  }
}

} // namespace quicksort

#endif
