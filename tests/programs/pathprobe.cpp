// pathprobe - prints the search paths the library built at start-up, one directory a line:
//   quelmo: <dir>   (installation search path, in order)
//   last: <dir>
//   qelenv: <dir>
#include "Port_PathList.h"

#include <cstdio>

int main() {
  const Port::PathList *q = Port::QuelmoPath::GetInstance();
  for (Port::PathListIterator it = q->begin(); it != q->end(); ++it)
    std::printf("quelmo: %s\n", it->GetBuffer());
  if (q->last() != q->end())
    std::printf("last: %s\n", (*q->last()).GetBuffer());
  const Port::PathList *e = Port::QelenvPath::GetInstance();
  for (Port::PathListIterator it = e->begin(); it != e->end(); ++it)
    std::printf("qelenv: %s\n", it->GetBuffer());
  return 0;
}
