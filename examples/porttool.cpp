// porttool - a small utility of the suite built on the Portability library. It reports
// through the library's message system exactly as the suite's tools do.
//
//   porttool            show one message of each type, a wrapped message, then end with a
//                       fatal message and its exit value (3)
//   porttool fatal N    end at once with a fatal message and exit value N
//   porttool quiet      the same messages without ending fatally
//   porttool work N     work through N steps of a tenth of a second; Ctrl+C stops it cleanly
//                       between two steps
//   porttool cat FILE   print a text file line by line; a file that is not on disk is read
//                       from a zip archive standing in for one of its directories
//   porttool watch FILE...  report each change in size or attributes of the files until Ctrl+C
//   porttool --log LOG ...  any of the above, with every message also copied to the file LOG
#include "Port_Env.h"
#include "Port_File.h"
#include "Port_Halt.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgStream.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

// porttool_watch.cpp
int watchMain(int argc, char **argv);

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}

void showMessages() {
  report(__LINE__)->issueStatus("porttool: messages of the Portability library (language %s).\n",
                                Port_Env::GetLang());
  report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", "missing.txt");
  report(__LINE__)->issueWarning("Only %I of %I files were read.\n", 2, 3);
  report(__LINE__)->issueInfo("Installation directory is \"%s\".\n",
                              Port_Env::GetEnv("QUELMO") ? Port_Env::GetEnv("QUELMO") : "unset");
  report(__LINE__)->issueDebug("Debug messages go to standard output, like status.\n");
  report(__LINE__)->issueInternal("Internal errors name the source file, line and revision.\n");
  Port_MsgDispatcher::printMsg(Port_MsgMan::MSG_EXCEPTION, L"An exception was reported.\n",
                               "porttool", __FILE__, __LINE__, kRev);
  report(__LINE__)->issueWarning(
      "A long message is wrapped at the line width (QEL_MAXLINEWIDTH, at least 80 columns), "
      "and every continuation line is indented by three blanks, so that the start of each "
      "message stands out.\n");
  report(__LINE__)->issueStatus(
      "Status messages are wrapped as well, but carry no header and no indentation: they read "
      "as plain text on standard output.\n");
  report(__LINE__)->issueStatus(
      "Counted: %U errors, %U warnings, %U infos.\n", Port_MsgDispatcher::getErrCount(true),
      Port_MsgDispatcher::getWarnCount(true), Port_MsgDispatcher::getInfoCount(true));
}

// Ctrl+C only marks the process; the work loop asks at the end of each step.
void onInterrupt() { Port_Halt::SetHaltValue(2); }

int work(int steps) {
  Port_Halt::SetHandler(&onInterrupt);
  Port_Halt::Start();
  for (int step = 1; step <= steps; ++step) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (Port_Halt::CheckForHaltCmd()) {
      report(__LINE__)->issueStatus("Interrupted: stopped cleanly after step %d of %d.\n", step,
                                    steps);
      return 2;
    }
  }
  report(__LINE__)->issueStatus("All %d steps done.\n", steps);
  return 0;
}
int cat(const char *name) {
  UT_STREAM *in = Port_File::open(name, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", name);
    return 1;
  }
  UT_STREAM *out = Port_File::getCout();
  Port::StringBase<char> line;
  for (;;) {
    const bool ended = line.ReadLine(in);
    if (ended || !line.IsEmpty())
      out->writeline(line.GetBuffer());
    if (!ended)
      break;
  }
  out->flush();
  Port_File::close(in);
  return 0;
}
// A log file that receives every message while the object lives. The manager leaves the
// dispatcher before it dies, and the stream before it is closed.
class LogFile {
public:
  LogFile() : m_manager("porttool-log"), m_file(nullptr) {}
  ~LogFile() {
    if (!m_file)
      return;
    Port_MsgDispatcher::removeMsgMan(&m_manager);
    m_manager.delStream(*m_file);
    Port_File::close(m_file);
  }
  bool open(const char *name) {
    m_file = Port_File::open(name, UT_STREAM::Write, 1);
    if (!m_file)
      return false;
    m_manager.addStream(*m_file);
    Port_MsgDispatcher::addMsgMan(&m_manager);
    return true;
  }

private:
  Port_MsgStream m_manager;
  UT_STREAM *m_file;
};
} // namespace

int main(int argc, char **argv) {
  // --log LOG: a message stream copies every message, laid out as on the console, to LOG.
  LogFile logger;
  if (argc > 2 && std::strcmp(argv[1], "--log") == 0) {
    if (!logger.open(argv[2])) {
      report(__LINE__)->issueError("Cannot open \"%s\" for writing.\n", argv[2]);
      return 1;
    }
    argc -= 2;
    argv += 2;
  }
  if (argc > 1 && std::strcmp(argv[1], "watch") == 0)
    return watchMain(argc - 1, argv + 1);
  const char *mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "fatal") == 0) {
    report(__LINE__)->issueFatal(argc > 2 ? std::atoi(argv[2]) : 1, "Stopping as asked.\n");
    return 0; // not reached
  }
  if (std::strcmp(mode, "cat") == 0 && argc > 2)
    return cat(argv[2]);
  if (std::strcmp(mode, "work") == 0)
    return work(argc > 2 ? std::atoi(argv[2]) : 50);
  showMessages();
  if (std::strcmp(mode, "quiet") == 0)
    return 0;
  report(__LINE__)->issueFatal(3, "A fatal message ends the process with its exit value (%d).\n",
                               3);
  return 0; // not reached
}
