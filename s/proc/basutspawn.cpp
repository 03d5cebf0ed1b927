// basutspawn.cpp - UT_SPAWN, the handle over UT_SPAWNIMP.
#include "basutspawn.h"

#include "proc/basutspawnimp.h"

UT_SPAWN::UT_SPAWN() : m_imp(new UT_SPAWNIMP) {}
UT_SPAWN::UT_SPAWN(const UT_SPAWN &other) : m_imp(new UT_SPAWNIMP(*other.m_imp)) {}

UT_SPAWN &UT_SPAWN::operator=(const UT_SPAWN &other) {
  *m_imp = *other.m_imp;
  return *this;
}

UT_SPAWN::~UT_SPAWN() { delete m_imp; }

int UT_SPAWN::spawn(const char *cmdline, unsigned char wait) { return m_imp->spawn(cmdline, wait); }

int UT_SPAWN::spawn(int argc, const char *const *argv, unsigned char wait) {
  return m_imp->internal_spawn(argc, argv, wait);
}

int UT_SPAWN::spawn_and_wait(const char *cmdline) { return spawn(cmdline, 1); }
int UT_SPAWN::spawn_and_wait(int argc, const char *const *argv) { return spawn(argc, argv, 1); }
char *UT_SPAWN::errmsg() { return m_imp->errmsg(); }
const char *UT_SPAWN::get_name() { return m_imp->m_name; }
int UT_SPAWN::get_child_retcode() { return m_imp->m_childRetcode; }
int UT_SPAWN::get_child_sig() { return m_imp->m_childSig; }
int UT_SPAWN::get_spawn_errno() { return m_imp->m_spawnErrno; }
