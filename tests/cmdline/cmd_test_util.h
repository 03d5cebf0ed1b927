// cmd_test_util.h - helpers of the command-line tests: a handler that keeps the errors it is
// given, and the opcode arrays of a compiled format as readable text.
#ifndef PORT_TEST_CMD_TEST_UTIL_H
#define PORT_TEST_CMD_TEST_UTIL_H

#include "basutcmdarg.h"

#include <memory>
#include <string>
#include <vector>

namespace cmdtest {

struct Errors {
  std::vector<std::string> format;
  std::vector<std::wstring> cmdline;
  int nullCmdline = 0;
};

class KeepingHandler : public Port::CmdargErrHandler {
public:
  explicit KeepingHandler(Errors &errors) : m_errors(errors) {}
  void handleFormatError(const char *message) override { m_errors.format.push_back(message); }
  void handleCommandLineError(const wchar_t *message) override {
    if (message)
      m_errors.cmdline.push_back(message);
    else
      ++m_errors.nullCmdline;
  }

private:
  Errors &m_errors;
};

inline std::unique_ptr<Port::CmdargErrHandler> keep(Errors &errors) {
  return std::unique_ptr<Port::CmdargErrHandler>(new KeepingHandler(errors));
}

// "GROUP SWITCH KEY '-o' ENDKEY ... 0"
inline std::string opsText(const PORT_DARRAY_UT_CMDOPS &ops) {
  static const char *const names[] = {"0",         "GROUP",     "ENDGROUP", "VAR",     "?4",
                                      "OPTION",    "ENDOPTION", "OR",       "SWITCH",  "SECRETSW",
                                      "ENDSWITCH", "KEY",       "ENDKEY",   "BIND",    "SUFFIX",
                                      "REPEAT",    "ENDREPEAT", "RANGE",    "LITERAL", "NUMBER"};
  std::string out;
  for (int i = 0; i < ops.getnum(); ++i) {
    const int op = ops.getop(i);
    if (!out.empty())
      out += ' ';
    if (op == OP_LITERAL) {
      out += std::string("'") + ops.getlit(++i) + "'";
    } else if (op == OP_NUMBER) {
      out += "#" + std::to_string(ops.getop(++i));
    } else if (op >= 0 && op < 20) {
      out += names[op];
    } else if (op == OP_VARSUFFIX) {
      out += "VARSUFFIX";
    } else if (op == OP_SECRETARG) {
      out += "SECRETARG";
    } else {
      out += "?" + std::to_string(op);
    }
  }
  return out;
}

inline std::string usageOf(const char *fmt) {
  UT_CMDOPCODES ops(fmt);
  char *line = ops.usage();
  std::string text = line;
  delete[] line;
  return text;
}

} // namespace cmdtest

#endif
