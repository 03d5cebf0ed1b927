// basutspawnimp.h - UT_SPAWNIMP, the implementation behind UT_SPAWN.
#ifndef PORT_PROC_BASUTSPAWNIMP_H
#define PORT_PROC_BASUTSPAWNIMP_H

#include <cstdint>
#include <string>
#include <vector>

// Splits a spawn command line with the suite's own rules (str/cmdtoken.h, as Port::CmdLine):
// white space separates, double quotes group and are removed, an empty quoted part ("") is an
// argument of its own. False, with an internal error message, when a quote is left open.
bool splitSpawnLine(const char *line, std::vector<std::string> *args);

class UT_SPAWNIMP {
public:
  UT_SPAWNIMP();
  UT_SPAWNIMP(const UT_SPAWNIMP &other); // copies the name text, not its pointer
  UT_SPAWNIMP &operator=(const UT_SPAWNIMP &other);
  virtual ~UT_SPAWNIMP();

  int spawn(const char *cmdline, unsigned char wait);
  int internal_spawn(int argc, const char *const *argv, unsigned char wait);
  char *errmsg();

  int32_t m_childSig = 0;
  int32_t m_childRetcode = 0;
  int32_t m_spawnErrno = 0;
  char *m_name = nullptr;
  bool m_internalError = false;

private:
  int spawnWaiting(const char *const *argv);
};

#endif
