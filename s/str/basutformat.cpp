// basutformat.cpp - UT_STR::Printf, SPrintf, SNPrintf, their va_list forms and the length
// prediction, through the format engine (formatengine.h) with the library's sized integers.
//
// Conversions (narrow printf; flags also ',' and '\'', which change nothing):
//   d i o u x X e E f F g G a A p n %    as in C, sizes as the engine reads them
//   c s    narrow; wide (in UTF-8) with l or w
//   C S    wide (in UTF-8); narrow with h
//   I (signed 32-bit)  U (unsigned 32-bit), with h: 16-bit, with l, ll, q, w or I64: 64-bit
// Any other letter is written as it stands; so is the rest of a format that ends inside a
// conversion. A width or precision beyond int, or output beyond INT_MAX bytes, is an error (-1).
// Counting and writing share the walk, so the predicted length is exactly what is written.
#include "basutstr.h"

#include "formatengine.h"

#include <cstring>

namespace {

const fmtengine::Rules kRules{convspec::Dialect::Printf, fmtengine::printfLetters};

int walk(fmtengine::Output<char> &out, const char *fmt, va_list args) {
  return fmtengine::walk(out, fmt, args, kRules);
}

} // namespace

int UT_STR::VCountCharacters(const char *fmt, va_list args) {
  if (!fmt)
    return -1;
  fmtengine::Output<char> count;
  return walk(count, fmt, args);
}

int UT_STR::VSPrintf(char *buf, const char *fmt, va_list args) {
  if (!buf || !fmt)
    return -1;
  fmtengine::Output<char> out(buf, SIZE_MAX); // unbounded: the caller promised room
  const int n = walk(out, fmt, args);
  buf[out.total()] = 0;
  return n;
}

int UT_STR::SPrintf(char *buf, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int n = VSPrintf(buf, fmt, args);
  va_end(args);
  return n;
}

int UT_STR::Printf(const char *fmt, ...) {
  if (!fmt)
    return -1;
  va_list args;
  va_start(args, fmt);
  fmtengine::Output<char> out(stdout);
  const int n = walk(out, fmt, args);
  va_end(args);
  return out.failed() ? -1 : n;
}

// All or nothing: the text is first formatted into a scratch buffer on the stack; when it fits
// there and in the caller's buffer it is copied, when it fits only in the caller's buffer it is
// formatted again straight into it, and otherwise the caller's buffer is not touched.
int UT_STR::VSNPrintf(char *buf, size_t size, const char *fmt, va_list args) {
  if (!fmt)
    return -1;
  char scratch[1024];
  fmtengine::Output<char> first(scratch, sizeof scratch - 1);
  const int n = walk(first, fmt, args);
  if (n < 0 || !buf || static_cast<size_t>(n) >= size)
    return n;
  if (static_cast<size_t>(n) < sizeof scratch) {
    std::memcpy(buf, scratch, static_cast<size_t>(n));
    buf[n] = 0;
    return n;
  }
  fmtengine::Output<char> second(buf, static_cast<size_t>(n));
  const int again = walk(second, fmt, args);
  buf[again >= 0 && again <= n ? again : 0] = 0;
  return again == n ? n : -1;
}

int UT_STR::SNPrintf(char *buf, size_t size, const char *fmt, ...) {
  va_list args;
  va_start(args, fmt);
  const int n = VSNPrintf(buf, size, fmt, args);
  va_end(args);
  return n;
}
