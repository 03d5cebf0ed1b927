// str_capture.cpp - standard output redirected to a temporary file for the length of a call.
#include "str_capture.h"

#include <cstdio>
#include <unistd.h>

namespace porttest {

std::string CaptureStdout(const std::function<void()> &body) {
  std::fflush(stdout);
  std::FILE *tmp = std::tmpfile();
  if (!tmp)
    return "<tmpfile failed>";
  const int saved = dup(fileno(stdout));
  dup2(fileno(tmp), fileno(stdout));
  body();
  std::fflush(stdout);
  dup2(saved, fileno(stdout));
  close(saved);
  std::string out;
  std::rewind(tmp);
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0)
    out.append(buf, n);
  std::fclose(tmp);
  return out;
}

} // namespace porttest
