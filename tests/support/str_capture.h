// str_capture.h - captures what a piece of code writes to standard output.
#ifndef PORT_TEST_STR_CAPTURE_H
#define PORT_TEST_STR_CAPTURE_H

#include <functional>
#include <string>

namespace porttest {

// Runs body with standard output redirected to a temporary file and returns what it wrote.
std::string CaptureStdout(const std::function<void()> &body);

} // namespace porttest

#endif
