// Port_Proc.cpp - Port_Process, the handle over Port_ProcImp.
#include "Port_Proc.h"

#include "Port_MsgDispatcher.h"
#include "proc/Port_ProcImp.h"

static Port_MsgDispatcherInit dispatcherInit;

Port_Process::Port_Process(int waitSeconds) : m_imp(new Port_ProcImp(this, waitSeconds)) {}
Port_Process::~Port_Process() { delete m_imp; }
void Port_Process::DispatchOutput(const char *, unsigned char, void *) {}
int Port_Process::Run(const char *cmd) { return m_imp->run(cmd); }
void Port_Process::SetUserData(void *data) { m_imp->setUserData(data); }
int Port_Process::GetChildRetcode() const { return m_imp->exitCode(); }
unsigned int Port_Process::GetProcessID() const { return m_imp->childPid(); }
wchar_t *Port_Process::GetProcessErrmsg() const { return m_imp->errorText(); }
