// porttool_env.h - where the example tool is, and an environment that shows its messages as
// shipped: no translation or header switches, the default line width, the C language.
#ifndef PORT_TEST_PORTTOOL_ENV_H
#define PORT_TEST_PORTTOOL_ENV_H

#include "child_process.h"

#include <map>
#include <string>

namespace porttest {

inline const std::string kPortTool = std::string(PORT_TEST_BINARY_TREE) + "/examples/porttool";

// The tool's environment, with the given variables set (or, as kUnset, removed) besides.
inline std::map<std::string, std::string>
portToolEnv(const std::map<std::string, std::string> &more = {}) {
  std::map<std::string, std::string> env = more;
  env.emplace("QEL_NO_TRANSLATE", kUnset);
  env.emplace("QEL_NO_MESSAGE_HEADER", kUnset);
  env.emplace("QEL_MAXLINEWIDTH", kUnset);
  return quietEnv(env);
}

// Messages as issued, before the console wrapped them: each line break followed by the three
// blanks of a continuation line becomes one blank.
inline std::string unwrapped(std::string text) {
  for (size_t at; (at = text.find("\n   ")) != std::string::npos;)
    text.replace(at, 4, " ");
  return text;
}

} // namespace porttest

#endif
