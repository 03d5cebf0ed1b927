// Port_ProcImp.cpp - running children: the synchronous loop, the background reader thread,
// the status of a background child, and the older Port_Process loop.
#include "proc/Port_ProcImp.h"

#include "Port_Env.h"
#include "Port_MsgManData.h"
#include "Port_Proc.h"
#include "platform/fileio.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

const char *const kRevision = "$Revision: 1.1 $";
// Output pipes get a large buffer, so a talkative child is read in few large pieces.
const int kOutputPipeSize = 1 << 20;
using Clock = std::chrono::steady_clock;

// One child watched until it ends. Output waiting in the pipe is read as soon as it arrives,
// so the child never blocks on a full pipe, and handed over at once, or with holdOutput kept
// back and handed over in the one final call. A round ends every pollMs (100 ms when 0), and
// also when the child has ended or the time limit is reached, so every run has at least one:
// with roundCalls it ends with an Output(null, false) call and, with callPoll, a Poll call.
// A time limit or a stop request ends the child (and its process group) with 199.
struct Supervision {
  platform::ChildProcess *child;
  int fd;                 // read end of the output pipe, -1 without a receiver
  Port::ChildOutput *out; // null without a receiver
  uint32_t pollMs;
  bool roundCalls;      // end each round with Output(null, false)
  bool callPoll;        // and with Poll()
  bool holdOutput;      // no output until the final call
  uint32_t timeLimitMs; // Port::Process::NoTimeLimit for none
  const std::atomic<bool> *stop;
  bool failed = false;
  uint32_t error = 0;
};

void supervise(Supervision &s) {
  const uint32_t step = s.pollMs ? s.pollMs : 100;
  const bool limited = s.timeLimitMs != Port::Process::NoTimeLimit;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(s.timeLimitMs);
  Clock::time_point roundEnd = Clock::now() + std::chrono::milliseconds(step);
  std::string carry; // a carriage return that may start a Windows line end in the next piece
  std::string held;  // raw output kept back for the final call
  bool pipeOpen = s.out != nullptr && s.fd >= 0;
  bool mustStop = false;
  for (;;) {
    Clock::time_point until = limited ? std::min(roundEnd, deadline) : roundEnd;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    platform::WaitResult r =
        s.child->wait(static_cast<uint32_t>(std::max<int64_t>(ms, 0)), pipeOpen ? s.fd : -1);
    if (r == platform::WaitResult::Failed) {
      s.failed = true;
      s.error = static_cast<uint32_t>(errno);
      break;
    }
    const bool ended = r == platform::WaitResult::Ended;
    if (r == platform::WaitResult::Readable) {
      bool gotBytes = false;
      bool ok = true;
      if (s.holdOutput) {
        const size_t before = held.size();
        ok = proc::readWaiting(s.fd, false, true, &held, &s.error);
        gotBytes = held.size() > before;
      } else {
        ok = proc::collectOutput(s.fd, s.out, false, false, true, &carry, &s.error, &gotBytes);
      }
      if (!ok) {
        s.failed = true;
        break;
      }
      if (!gotBytes)
        pipeOpen = false; // every writer is gone; the child's end is seen by its process handle
    }
    if (s.stop && s.stop->load()) {
      mustStop = true;
      break;
    }
    Clock::time_point now = Clock::now();
    const bool timeUp = limited && now >= deadline;
    if (ended || timeUp || now >= roundEnd) {
      if (s.out && s.roundCalls) {
        if (!proc::collectOutput(s.fd, s.out, false, true, !ended, &carry, &s.error)) {
          s.failed = true;
          break;
        }
        if (s.callPoll)
          s.out->Poll();
      }
      roundEnd = std::max(roundEnd + std::chrono::milliseconds(step), now);
    }
    if (ended)
      break;
    if (timeUp) {
      mustStop = true;
      break;
    }
  }
  if (mustStop && s.child->terminate(Port::Process::TerminatedExitCode))
    s.child->wait(Port::Process::NoTimeLimit);
  if (s.out) {
    uint32_t error = 0;
    proc::collectOutput(s.fd, s.out, true, true, false, &carry, &error, nullptr, &held);
  }
}

// What a background reader takes over from the caller.
struct ReaderArgs {
  std::shared_ptr<platform::ChildProcess> child;
  platform::Descriptor output;
  std::unique_ptr<Port::ChildOutput> out;
  uint32_t timeLimitMs;
  uint32_t pollMs;
  std::shared_ptr<Port::ReaderFlags> flags;
};

void *readerMain(void *arg) {
  std::unique_ptr<ReaderArgs> a(static_cast<ReaderArgs *>(arg));
  a->flags->started.store(true);
  // An interval of 0 asks for no output while the child runs: all of it comes in the final call.
  const bool hold = a->pollMs == 0;
  Supervision s{a->child.get(), a->output.get(), a->out.get(),   a->pollMs, !hold, false,
                hold,           a->timeLimitMs,  &a->flags->stop};
  supervise(s);
  return nullptr; // the receiver, the pipe and this side's hold on the child go with a
}

} // namespace

namespace Port {

ProcImp::ProcImp(uint32_t timeLimitMs)
    : m_flags(std::make_shared<ReaderFlags>()), m_timeLimit(timeLimitMs) {}

ProcImp::~ProcImp() {
  if (m_tracked && !m_wait)
    m_flags->stop.store(true);
  finishReader();
}

void ProcImp::finishReader() {
  if (!m_reader)
    return;
  m_reader->join();
  m_reader.reset();
}

int ProcImp::run(proc::CommandLine cmd, std::unique_ptr<ChildOutput> out, uint32_t pollMs,
                 bool wait, bool tracked, bool stdinPipe) {
  // The running child is asked about before this run's flags replace the last run's.
  if (childProcStatus() == 3) {
    m_status = 3;
    return 3;
  }
  finishReader();
  m_child.reset();
  m_stdinWrite.reset();
  m_flags = std::make_shared<ReaderFlags>();
  m_wait = wait;
  m_stdinPipe = stdinPipe;
  m_lastError = 0;
  m_cmd.reset(new proc::CommandLine(std::move(cmd)));
  if (!m_cmd->valid()) {
    m_status = 2;
    return 2;
  }
  m_cmd->completeName();
  m_pollMs = pollMs;
  m_tracked = tracked;
  m_status = wait ? runSynchronous(std::move(out)) : runBackground(std::move(out));
  return m_status;
}

// Starts the child; with a receiver its standard output and error go to a new pipe whose read
// end is returned, and a receiver left without that pipe is dropped. The parent's copies of the
// child's pipe ends are closed on return.
bool ProcImp::start(std::unique_ptr<ChildOutput> &out, platform::Descriptor *outputRead) {
  bool withOutput = out != nullptr;
  platform::Descriptor stdinRead;
  if (m_stdinPipe && !platform::createPipe(&stdinRead, &m_stdinWrite)) {
    m_stdinPipe = false;
    withOutput = false;
  }
  platform::Descriptor outputWrite;
  if (withOutput && !platform::createPipe(outputRead, &outputWrite, kOutputPipeSize)) {
    m_lastError = static_cast<uint32_t>(errno);
    m_stdinWrite.reset();
    return false;
  }
  std::unique_ptr<platform::ChildProcess> child;
  int rc =
      platform::createProcess(m_cmd->text().c_str(), stdinRead.get(), outputWrite.get(), &child);
  if (rc != 0) {
    m_lastError = static_cast<uint32_t>(rc);
    m_stdinWrite.reset();
    outputRead->reset();
    return false;
  }
  m_child = std::move(child);
  m_childPid = m_child->pid();
  if (!outputRead->valid())
    out.reset();
  return true;
}

int ProcImp::runSynchronous(std::unique_ptr<ChildOutput> out) {
  platform::Descriptor output;
  if (!start(out, &output))
    return 1;
  Supervision s{m_child.get(), output.get(), out.get(),   m_pollMs, true,
                true,          false,        m_timeLimit, nullptr};
  supervise(s);
  if (s.failed) {
    m_childPid = Process::NoChild;
    m_lastError = s.error;
  }
  output.reset();
  out.reset();
  m_stdinWrite.reset();
  int32_t code = 0;
  bool ended = m_child->exitCode(&code);
  m_child.reset();
  if (!ended) {
    if (m_lastError == 0)
      m_lastError = ECHILD;
    return 1;
  }
  m_exitCode = code;
  return 0;
}

int ProcImp::runBackground(std::unique_ptr<ChildOutput> out) {
  platform::Descriptor output;
  if (!start(out, &output))
    return 1;
  // Without a limit, a receiver or a tracked reader, the caller alone watches the child.
  if (m_timeLimit == Process::NoTimeLimit && !m_tracked && !out)
    return 3;
  uint32_t pollMs = out ? m_pollMs : 0;
  ReaderArgs *args =
      new ReaderArgs{m_child, std::move(output), std::move(out), m_timeLimit, pollMs, m_flags};
  try {
    m_reader.reset(new Port_ThrThread(readerMain, args));
  } catch (const std::system_error &e) {
    // Nobody could watch the child: it is ended and reaped, and the run did not start.
    delete args;
    m_child->terminate(199);
    m_child->wait(0xFFFFFFFFu);
    m_child.reset();
    m_childPid = Process::NoChild;
    m_lastError = static_cast<uint32_t>(e.code().value());
    return 1;
  }
  if (!m_tracked) {
    m_reader->detach();
    m_reader.reset();
  }
  return 3;
}

int ProcImp::childProcStatus() {
  if (m_wait)
    return m_status;
  if (!m_child)
    return m_status == 3 ? 0 : m_status;
  platform::WaitResult r = m_child->wait(100);
  if (r == platform::WaitResult::Timeout)
    return 3;
  if (r == platform::WaitResult::Ended) {
    m_child->exitCode(&m_exitCode);
    m_child.reset();
    m_status = 0;
    return 0;
  }
  m_childPid = Process::NoChild;
  m_lastError = static_cast<uint32_t>(errno);
  m_child->exitCode(&m_exitCode);
  m_child.reset();
  m_status = m_status == 3 ? 0 : 1;
  return m_status;
}

bool ProcImp::terminate(bool quiet) {
  if (!quiet)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueStatus("You are about to terminate process spawned by Port::Process\n");
  if (!m_child)
    return false;
  if (!m_child->terminate(Process::TerminatedExitCode)) {
    m_lastError = static_cast<uint32_t>(errno);
    return false;
  }
  return true;
}

int ProcImp::writeToChild(const void *data, unsigned int n) const {
  if (!m_stdinWrite.valid() || n == 0 || !data)
    return -1;
  long written = platform::writePipe(m_stdinWrite.get(), data, n);
  return written > 0 ? static_cast<int>(written) : -1;
}

bool ProcImp::closeChildInput() {
  if (!m_stdinWrite.valid())
    return false;
  m_stdinWrite.reset();
  return true;
}

wchar_t *ProcImp::errorText() const {
  if (!m_cmd)
    return nullptr;
  return proc::processErrorText(!m_cmd->valid(), m_cmd->name(), m_lastError);
}

} // namespace Port

// Under Wine the pipe is looked at every 10 ms and read in blocks of 16384 bytes.
static bool underWine() {
  static const bool wine = [] {
    const char *v = Port_Env::GetEnv("QEL_LINUX_WINE");
    return v && *v;
  }();
  return wine;
}

int Port_ProcImp::run(const char *cmd) {
  m_exitCode = 0;
  m_lastError = 0;
  m_cmd.reset(new proc::CommandLine(cmd));
  if (!m_cmd->valid())
    return 2;
  m_cmd->completeName();
  platform::Descriptor output, outputWrite;
  if (!platform::createPipe(&output, &outputWrite, kOutputPipeSize)) {
    m_lastError = static_cast<uint32_t>(errno);
    return 1;
  }
  std::unique_ptr<platform::ChildProcess> child;
  int rc = platform::createProcess(m_cmd->text().c_str(), -1, outputWrite.get(), &child);
  outputWrite.reset();
  if (rc != 0) {
    m_lastError = static_cast<uint32_t>(rc);
    return 1;
  }
  m_childPid = child->pid();
  int result = supervise(*child, output.get());
  m_childPid = 0xFFFFFFFFu;
  if (result != 0)
    return result;
  return child->exitCode(&m_exitCode) ? 0 : 1;
}

int Port_ProcImp::supervise(platform::ChildProcess &child, int fd) {
  const bool wine = underWine();
  const uint32_t step = wine                ? 10
                        : m_waitSeconds > 0 ? static_cast<uint32_t>(m_waitSeconds) * 1000
                                            : Port::Process::NoTimeLimit;
  const uint32_t block = wine ? 16384 : 0xFFFFFFFFu;
  std::string carry;
  bool pipeOpen = true;
  for (;;) {
    platform::WaitResult r = child.wait(step, pipeOpen ? fd : -1);
    if (r == platform::WaitResult::Failed) {
      m_lastError = static_cast<uint32_t>(errno);
      return 1;
    }
    const bool ended = r == platform::WaitResult::Ended;
    for (bool first = true;; first = false) {
      uint32_t waiting = 0;
      if (!platform::pipeBytesWaiting(fd, &waiting)) {
        if (ended)
          return 0;
        m_lastError = static_cast<uint32_t>(errno);
        return 1;
      }
      if (waiting == 0) {
        if (first && r == platform::WaitResult::Readable)
          pipeOpen = false;
        break;
      }
      std::string text(std::min(waiting, block), '\0');
      int got = platform::read(fd, &text[0], static_cast<unsigned>(text.size()));
      if (got <= 0) {
        if (got < 0 && !ended) {
          m_lastError = static_cast<uint32_t>(errno);
          return 1;
        }
        break;
      }
      text.resize(static_cast<size_t>(got));
      std::string clean = proc::removeReturns(std::move(text), &carry, false);
      if (!clean.empty())
        m_owner->DispatchOutput(clean.c_str(), ended, m_userData);
      if (!ended && !wine)
        break;
    }
    if (ended) {
      if (!carry.empty())
        m_owner->DispatchOutput(carry.c_str(), 1, m_userData);
      return 0;
    }
  }
}

wchar_t *Port_ProcImp::errorText() const {
  if (!m_cmd)
    return nullptr;
  return proc::processErrorText(!m_cmd->valid(), m_cmd->name(), m_lastError);
}
