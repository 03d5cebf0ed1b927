// basutqelmem.cpp - allocation that gives the tool's memory handler a chance before dying.
#include "basutqelmem.h"

#include "basutmemmgr.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Tries the request until it succeeds or the handler has nothing more to give. recovermem()
// itself ends the process when there is no handler.
template <class Request> void *allocate(Request request) {
  for (;;) {
    if (void *p = request())
      return p;
    if (!UT_MEMMGR::recovermem())
      UT_MEMMGR::die();
  }
}

} // namespace

void *qel_malloc(size_t size) {
  if (size == 0)
    size = 1;
  return allocate([size] { return std::malloc(size); });
}

void *qel_calloc(size_t count, size_t size) {
  if (count == 0 || size == 0)
    count = size = 1;
  // A product that does not fit is no request at all: no handler can help it.
  if (count > SIZE_MAX / size)
    UT_MEMMGR::die();
  return allocate([count, size] { return std::calloc(count, size); });
}

void *qel_realloc(void *ptr, size_t size) {
  if (size == 0)
    size = 1;
  // A failed realloc leaves ptr as it was, so the request can simply be repeated.
  return allocate([ptr, size] { return std::realloc(ptr, size); });
}

void qel_free(void *ptr) { std::free(ptr); }
