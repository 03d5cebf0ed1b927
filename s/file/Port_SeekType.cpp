// Port_SeekType.cpp - the three seek origins, made at load time.
#include "Port_SeekType.h"

namespace Port {

namespace {
SeekType g_set;
SeekType g_curr;
SeekType g_end;
SeekType g_invalid;
} // namespace

SeekType &SeekType::SeekSet() { return g_set; }
SeekType &SeekType::SeekCurr() { return g_curr; }
SeekType &SeekType::SeekEnd() { return g_end; }

SeekType &SeekType::IntToSeek(int origin) {
  switch (origin) {
  case 0:
    return g_set;
  case 1:
    return g_curr;
  case 2:
    return g_end;
  default:
    return g_invalid;
  }
}

int SeekType::SeekToInt() const {
  if (this == &g_set)
    return 0;
  if (this == &g_curr)
    return 1;
  if (this == &g_end)
    return 2;
  return -1;
}

} // namespace Port
