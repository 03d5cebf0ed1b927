// Port_ProcImp.h - the implementations behind Port::Process and Port_Process.
//
// Ownership of a child: the platform's ChildProcess object is the one owner of the child's id;
// it alone reaps the child, and the caller's thread and a background reader share it, so
// neither can wait on or signal an id that may have been reused. The reader thread owns the
// receiver and the read end of the output pipe; the caller's thread owns the write end of the
// stdin pipe. The two threads share only the stop request and the reader-started flag.
#ifndef PORT_PROC_PORT_PROCIMP_H
#define PORT_PROC_PORT_PROCIMP_H

#include "Port_Process.h"
#include "Port_Thr.h"
#include "platform/process.h"
#include "proc/proccommand.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class Port_Process;

namespace Port {

// Flags shared by the caller and a background reader.
struct ReaderFlags {
  std::atomic<bool> stop{false};
  std::atomic<bool> started{false};
};

class ProcImp {
public:
  explicit ProcImp(uint32_t timeLimitMs);
  ~ProcImp();

  int run(proc::CommandLine cmd, std::unique_ptr<ChildOutput> out, uint32_t pollMs, bool wait,
          bool tracked, bool stdinPipe);
  int childProcStatus();
  int32_t exitCode() const { return m_exitCode; }
  uint32_t childPid() const { return m_childPid; }
  bool terminate(bool quiet);
  int writeToChild(const void *data, unsigned int n) const;
  bool closeChildInput();
  wchar_t *errorText() const;

private:
  int runSynchronous(std::unique_ptr<ChildOutput> out);
  int runBackground(std::unique_ptr<ChildOutput> out);
  bool start(std::unique_ptr<ChildOutput> &out, platform::Descriptor *outputRead);
  void finishReader();

  std::shared_ptr<ReaderFlags> m_flags;
  uint32_t m_pollMs = 200;
  int32_t m_exitCode = 0;
  bool m_wait = true;
  bool m_tracked = true;
  uint32_t m_timeLimit;
  uint32_t m_lastError = 0;
  std::unique_ptr<proc::CommandLine> m_cmd;
  std::unique_ptr<Port_ThrThread> m_reader;
  bool m_stdinPipe = false;
  std::shared_ptr<platform::ChildProcess> m_child;
  platform::Descriptor m_stdinWrite;
  uint32_t m_childPid = Process::NoChild;
  int m_status = 4;
};

} // namespace Port

class Port_ProcImp {
public:
  Port_ProcImp(Port_Process *owner, int waitSeconds) : m_owner(owner), m_waitSeconds(waitSeconds) {}
  virtual ~Port_ProcImp() {}

  int run(const char *cmd);
  void setUserData(void *data) { m_userData = data; }
  int32_t exitCode() const { return m_exitCode; }
  uint32_t childPid() const { return m_childPid; }
  wchar_t *errorText() const;

private:
  int supervise(platform::ChildProcess &child, int fd);

  Port_Process *m_owner;
  void *m_userData = nullptr;
  int32_t m_waitSeconds;
  int32_t m_exitCode = 0;
  uint32_t m_lastError = 0;
  std::unique_ptr<proc::CommandLine> m_cmd;
  uint32_t m_childPid = 0xFFFFFFFFu;
};

#endif
