// cmdformat_fuzz.cpp - compiles a command format, then dumps its usage line.
//
// Input: the format text (bytes up to the first zero). A compile error goes to a handler, which
// keeps it, so that a bad format does not end the process.
#include "basutcmdarg.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {
class Keep : public Port::CmdargErrHandler {
public:
  void handleFormatError(const char *message) override {
    if (!message || !*message)
      std::abort(); // every compile error has a text
  }
  void handleCommandLineError(const wchar_t *) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string fmt(reinterpret_cast<const char *>(data), size);
  UT_CMDOPCODES ops(fmt.c_str(), std::unique_ptr<Port::CmdargErrHandler>(new Keep));
  const UT_OPCODEINFO &info = ops.getinfo();
  if (ops.iserror()) {
    if (info.argops.getnum() != 0 || info.swops.getnum() != 0 || info.numgrps != 0)
      std::abort(); // a failed compile leaves nothing behind
    return 0;
  }
  // Every group starts with OP_GROUP in both arrays.
  for (int g = 0; g < info.numgrps; ++g)
    if (info.argops.getop(info.arggrpoff[g]) != OP_GROUP ||
        info.swops.getop(info.swgrpoff[g]) != OP_GROUP)
      std::abort();
  char *usage = ops.usage();
  if (std::strncmp(usage, "Usage: ", 7) != 0)
    std::abort();
  delete[] usage;
  return 0;
}
