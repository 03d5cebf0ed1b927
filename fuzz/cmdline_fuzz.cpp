// cmdline_fuzz.cpp - a command line split into words with the suite's own rules (Port::CmdLine,
// whose tokenizer spawned command lines share), and joined again.
//
// Input: the command-line text (a zero byte ends it).
#include "Port_CmdLine.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool plainWord(const char *word) { return *word && !std::strpbrk(word, " \t\n\v\f\r\""); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  Port::CmdLine line(text.c_str());
  const char *const *argv = line.get_argv();
  const int argc = line.get_argc();
  if (!argv) {
    if (argc != 0)
      __builtin_trap();
    return 0;
  }
  // The vector is argc words and a null.
  for (int i = 0; i < argc; ++i)
    if (!argv[i])
      __builtin_trap();
  if (argv[argc])
    __builtin_trap();
  if (argc > 0 && std::strcmp(line.get_cmdname(), argv[0]) != 0)
    __builtin_trap();
  line.chk_meta();

  // Words without blanks or quotes come back unchanged when joined and split again.
  std::vector<const char *> plain;
  for (int i = 0; i < argc; ++i)
    if (plainWord(argv[i]))
      plain.push_back(argv[i]);
  if (!plain.empty()) {
    Port::CmdLine joined(static_cast<int>(plain.size()), plain.data());
    Port::CmdLine again(joined.get_cmdline());
    const char *const *back = again.get_argv();
    if (!back || again.get_argc() != static_cast<int>(plain.size()))
      __builtin_trap();
    for (size_t i = 0; i < plain.size(); ++i)
      if (std::strcmp(back[i], plain[i]) != 0)
        __builtin_trap();
  }

  Port::CmdLine copy(line);
  copy.set_cmdname("tool");
  if (copy.get_argc() != argc)
    __builtin_trap();
  return 0;
}
