// Port_Process.cpp - Port::Process, the handle over Port::ProcImp.
#include "Port_Process.h"

#include "Port_MsgDispatcher.h"
#include "platform/halt.h"
#include "proc/Port_ProcImp.h"

namespace Port {

static Port_MsgDispatcherInit dispatcherInit;

Process::Process() : m_imp(new ProcImp(NoTimeLimit)) {}
Process::Process(unsigned int timeLimitMs) : m_imp(new ProcImp(timeLimitMs)) {}
Process::~Process() { delete m_imp; }

int Process::Run(const char *cmd, std::unique_ptr<ChildOutput> out, unsigned int pollMs, bool wait,
                 bool tracked, bool stdinPipe) {
  return m_imp->run(proc::CommandLine(cmd), std::move(out), pollMs, wait, tracked, stdinPipe);
}

int Process::Run(int argc, const char *const *argv, std::unique_ptr<ChildOutput> out,
                 unsigned int pollMs, bool wait, bool tracked, bool stdinPipe) {
  return m_imp->run(proc::CommandLine(argc, argv), std::move(out), pollMs, wait, tracked,
                    stdinPipe);
}

int Process::RunNoWindow(const char *cmd, std::unique_ptr<ChildOutput> out, unsigned int pollMs,
                         bool wait, bool tracked, bool stdinPipe) {
  return Run(cmd, std::move(out), pollMs, wait, tracked, stdinPipe);
}

int Process::RunNoWindow(int argc, const char *const *argv, std::unique_ptr<ChildOutput> out,
                         unsigned int pollMs, bool wait, bool tracked, bool stdinPipe) {
  return Run(argc, argv, std::move(out), pollMs, wait, tracked, stdinPipe);
}

int Process::Run(const char *cmd, bool wait, bool tracked) {
  return Run(cmd, nullptr, 200, wait, tracked, false);
}

int Process::Run(int argc, const char *const *argv, bool wait, bool tracked) {
  return Run(argc, argv, nullptr, 200, wait, tracked, false);
}

int Process::RunNoWindow(const char *cmd, bool wait, bool tracked) {
  return Run(cmd, wait, tracked);
}

int Process::RunNoWindow(int argc, const char *const *argv, bool wait, bool tracked) {
  return Run(argc, argv, wait, tracked);
}

int Process::ChildProcStatus() { return m_imp->childProcStatus(); }

int Process::GetChildRetcode() {
  ChildProcStatus();
  return m_imp->exitCode();
}

unsigned int Process::GetChildPID() const { return m_imp->childPid(); }
unsigned int Process::GetParentPID() const { return platform::currentProcessId(); }
bool Process::TerminateChildProc(bool quiet) { return m_imp->terminate(quiet); }

int Process::WriteToChild(const void *data, unsigned int n) const {
  return m_imp->writeToChild(data, n);
}

bool Process::CloseChildInput() { return m_imp->closeChildInput(); }
wchar_t *Process::GetProcessErrmsg() const { return m_imp->errorText(); }

static const unsigned int kAbortExitCode = 0xC000013Au;

bool Process::IsAbortExitCode(int code) {
  return static_cast<unsigned int>(code) == kAbortExitCode;
}

bool Process::IsCrashExitCode(int code) {
  return !IsAbortExitCode(code) && (static_cast<unsigned int>(code) & 0xC0000000u) != 0;
}

} // namespace Port
