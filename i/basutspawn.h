// basutspawn.h - UT_SPAWN: runs a program from a command line or an argument vector, waiting
// for it and keeping its exit status, or starting it and going on at once. No pipes, no output
// capture, no time limit (see Port_Process.h for those).
//
// A command line is split at white space; double quotes group (a"b c"d is the argument
// ab cd) and are removed; "" is an empty argument; there is no escape character. A program
// that cannot be started for lack of access is looked for once more along PATH with ".exe".
//
// Threads: one object is used by one thread at a time; errmsg() uses a buffer of the calling
// thread, so several threads may call it at once.
#ifndef BASUTSPAWN_H
#define BASUTSPAWN_H

#include "Port_Export.h"

class UT_SPAWNIMP;

class PORT_API UT_SPAWN {
public:
  UT_SPAWN();
  UT_SPAWN(const UT_SPAWN &other);
  UT_SPAWN &operator=(const UT_SPAWN &other);
  virtual ~UT_SPAWN();

  // 0 on success (waited for: the child ran, its status is get_child_retcode(); not waited
  // for: always, even when the program does not exist), 1 on failure.
  int spawn(const char *cmdline, unsigned char wait);
  int spawn(int argc, const char *const *argv, unsigned char wait);
  int spawn_and_wait(const char *cmdline);
  int spawn_and_wait(int argc, const char *const *argv);

  // The error text of the last spawn in a buffer of the calling thread (up to its next call):
  // "Internal spawn error.", "<name>:  <reason>", or empty.
  char *errmsg();
  const char *get_name();  // the program of the last spawn, or null
  int get_child_retcode(); // exit status of the child waited for
  int get_child_sig();     // always 0
  int get_spawn_errno();   // errno of a start that failed, else 0

private:
  UT_SPAWNIMP *m_imp;
};

#endif
