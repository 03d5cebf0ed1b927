// Port_Process.h - child processes: Port::Process runs a command line synchronously or in the
// background, with an optional time limit, output receiver and pipe to the child's standard
// input; Port::ChildOutput receives the child's standard output and standard error.
//
// Status values (every Run form, ChildProcStatus):
//   0 the child ran and ended; the exit code is valid
//   1 the child could not be started, or waiting for it or reading from it failed
//   2 the command line is invalid (unbalanced quote, or one of the characters * ? | %)
//   3 the child is running (background run), or a previous child still ran: nothing started
//   4 nothing has been run yet
//
// A bare command name is completed with the first of "", ".exe", ".bat", ".cmd" that names an
// executable file along PATH; a hit with ".bat" or ".cmd" puts that extension into the command.
//
// Ending a child (time limit, TerminateChildProc, destruction of a tracked background run)
// ends its whole tree: each child is started as the leader of a process group of its own,
// which its descendants join, and the group is killed with the child. An interrupt (Ctrl+C)
// that this process receives is passed on to those groups, as a console passes it to every
// program attached to it; a child ended so has the exit code IsAbortExitCode tells. A child
// whose standard input, output or error is a terminal stays in this process's group, since a
// group of its own could not use the terminal; such a child is ended alone.
//
// Threads: a Process object is used by one thread. During a background run the receiver is
// called only from the reader thread; during a synchronous run only from the caller's thread.
#ifndef PORT_PROCESS_H
#define PORT_PROCESS_H

#include "Port_Export.h"

#include <memory>

namespace Port {

// Receives the output of a child. The process object owns it from Run on and deletes it when
// the run is over.
class PORT_API ChildOutput {
public:
  // Output text (line ends CR LF already turned into LF), or null when a poll round brought
  // none. Every run ends with exactly one call whose last is true.
  virtual void Output(const char *text, bool last) = 0;
  // Called once per poll round of a synchronous run that collects output.
  virtual void Poll() {}
  virtual ~ChildOutput() {}
};

class ProcImp;

class PORT_API Process {
public:
  static constexpr unsigned int NoTimeLimit = 0xFFFFFFFFu;
  static constexpr unsigned int NoChild = 0xFFFFFFFFu;
  // The exit code of a child ended because it had to be stopped (time limit, termination).
  static constexpr int TerminatedExitCode = 199;

  Process();
  explicit Process(unsigned int timeLimitMs);
  Process(const Process &) = delete;
  Process &operator=(const Process &) = delete;
  // A tracked background run is stopped (the child ended with 199) and its reader joined; an
  // untracked background child is left running.
  virtual ~Process();

  // out: receiver of the output, or null to let the child write to this process's own
  // standard output and error. pollMs: the length of a poll round; output is handed over as
  // it arrives and every round ends with Output(null, false) (and Poll() in a synchronous
  // run), at least once per run. A synchronous run with 0 has rounds of 100 ms; a background
  // run with 0 hands over no output while the child runs and all of it in the final call.
  // wait: return when the child has ended. tracked: a background reader is joined by the
  // destructor rather than detached. stdinPipe: the child reads its standard input from
  // WriteToChild.
  int Run(const char *cmd, std::unique_ptr<ChildOutput> out, unsigned int pollMs, bool wait,
          bool tracked, bool stdinPipe);
  int Run(int argc, const char *const *argv, std::unique_ptr<ChildOutput> out, unsigned int pollMs,
          bool wait, bool tracked, bool stdinPipe);
  // The same; the child's window would be hidden (children have no windows here).
  int RunNoWindow(const char *cmd, std::unique_ptr<ChildOutput> out, unsigned int pollMs, bool wait,
                  bool tracked, bool stdinPipe);
  int RunNoWindow(int argc, const char *const *argv, std::unique_ptr<ChildOutput> out,
                  unsigned int pollMs, bool wait, bool tracked, bool stdinPipe);
  // No receiver, poll interval 200 ms, no stdin pipe.
  int Run(const char *cmd, bool wait, bool tracked);
  int Run(int argc, const char *const *argv, bool wait, bool tracked);
  int RunNoWindow(const char *cmd, bool wait, bool tracked);
  int RunNoWindow(int argc, const char *const *argv, bool wait, bool tracked);

  // The current status; for a background child this waits up to 100 ms for it to end.
  int ChildProcStatus();
  // ChildProcStatus(), then the exit code.
  int GetChildRetcode();
  unsigned int GetChildPID() const; // NoChild when none
  unsigned int GetParentPID() const;
  // Ends the child with exit code 199; unless quiet, a status message says so first. True
  // when the child was signalled.
  bool TerminateChildProc(bool quiet);
  // Writes to the child's standard input: the bytes written, or -1 without a stdin pipe or
  // when nothing was written.
  int WriteToChild(const void *data, unsigned int n) const;
  // Closes the pipe to the child's standard input, so that the child sees the end of its
  // input. False when there is no open pipe.
  bool CloseChildInput();
  // The translated error text of the last run (new array, the caller frees it with delete[]),
  // or null when nothing was run.
  wchar_t *GetProcessErrmsg() const;

  // 0xC000013A: a console program ended by Ctrl+C.
  static bool IsAbortExitCode(int code);
  // Not the abort code, and either of the two top bits set.
  static bool IsCrashExitCode(int code);

private:
  ProcImp *m_imp;
};

} // namespace Port

#endif
