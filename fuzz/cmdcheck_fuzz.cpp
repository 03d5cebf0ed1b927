// cmdcheck_fuzz.cpp - checks an argument vector against a command format.
//
// Input: the format, a zero byte, then the arguments separated by zero bytes. A format that
// does not compile ends the run; the check itself is quiet, and also runs through a handler.
#include "basutcmdarg.h"
#include "fuzz_fields.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
class Ignore : public Port::CmdargErrHandler {
public:
  void handleFormatError(const char *) override {}
  void handleCommandLineError(const wchar_t *) override {}
};

std::unique_ptr<Port::CmdargErrHandler> ignore() {
  return std::unique_ptr<Port::CmdargErrHandler>(new Ignore);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::vector<std::string> fields = fuzzSplit(data, size);
  if (fields.size() < 2)
    return 0;
  const std::string &fmt = fields[0];
  std::vector<const char *> argv;
  for (size_t i = 1; i < fields.size(); ++i)
    argv.push_back(fields[i].c_str());

  UT_CMDOPCODES ops(fmt.c_str(), ignore());
  if (ops.iserror())
    return 0;
  UT_ARGINFO info;
  const bool ok = UT_CMDCHK(static_cast<unsigned char>(1))
                      .chkargs(static_cast<int>(argv.size()), argv.data(), ops, info);
  if (ok) {
    // every switch and argument points into the vector
    for (int i = 0; i < info.numsw; ++i)
      if (info.switches[i].getargvindex() < 0 ||
          info.switches[i].getargvindex() >= static_cast<int>(argv.size()))
        std::abort();
    for (int i = 0; i < info.numargs; ++i)
      if (!info.args[i].getargtxt() || info.args[i].getargvindex() < 0 ||
          info.args[i].getargvindex() >= static_cast<int>(argv.size()))
        std::abort();
  }
  // A second check of the same compiled format gives the same answer: the marks were undone.
  UT_ARGINFO again;
  if (UT_CMDCHK(static_cast<unsigned char>(1))
          .chkargs(static_cast<int>(argv.size()), argv.data(), ops, again) != ok)
    std::abort();
  return 0;
}
