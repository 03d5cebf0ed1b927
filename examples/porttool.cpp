// porttool - a small utility of the suite built on the Portability library. It reports
// through the library's message system exactly as the suite's tools do.
//
//   porttool            show one message of each type, a wrapped message, then end with a
//                       fatal message and its exit value (3)
//   porttool fatal N    end at once with a fatal message and exit value N
//   porttool quiet [MISSING]  the same messages without ending fatally, naming MISSING as the
//                       file that cannot be opened (default missing.txt); two runs with
//                       XML_MSG_FILE set show the XML log's new and old marks
//   porttool work N     work through N steps of a tenth of a second; Ctrl+C stops it cleanly
//                       between two steps
//   porttool cat FILE   print a text file line by line; a file that is not on disk is read
//                       from a zip archive standing in for one of its directories; a file
//                       that cannot be read to its end (a damaged archive member) exits with 1
//   porttool version    print the release banner of the installation (fileset.txt)
//   porttool check ...  show what the command-line checker made of a command line
//   porttool -h         the usage line and the help file porttool.usg (also --help);
//                       --version is the version mode
//   porttool run [-t MS] PROGRAM [ARG...]  run a program, show its output and exit code,
//                       and exit with the program's code; with -t end it after MS
//                       milliseconds (porttool_run.cpp)
//   porttool compress|expand|format ...  compressed files (porttool_compress.cpp)
//   porttool watch FILE...  report each change in size or attributes of the files until Ctrl+C
//   porttool --log LOG ...  any of the above, with every message also copied to the file LOG
//
// The command line is stated in the command format language, one group per mode (kModes); a
// mode joins with one line there. "-f FILE" reads further arguments from a command file.
//
// Exit values: 0 done, 1 failed, 2 a wrong command line (the error and "try 'porttool -h'" on
// standard error); fatal and run end with the value they name or get.
#include "porttool.h"

#include "Port_Env.h"
#include "Port_File.h"
#include "Port_Halt.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_MsgStream.h"
#include "Port_Version.h"
#include "basutcmdfil.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

int portToolCompress(int argc, char **argv);

// porttool_watch.cpp
int watchMain(int argc, char **argv);

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}

void showMessages(const char *missing = "missing.txt") {
  report(__LINE__)->issueStatus("porttool: messages of the Portability library (language %s).\n",
                                Port_Env::GetLang());
  report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", missing);
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
    report(__LINE__)->issueError("Cannot open \"%s\" for reading: %s.\n", name,
                                 reasonText(Port_File::geterror()));
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
  // A read that failed (a damaged archive member, a disk error) ends the lines early.
  const int error = in->geterror();
  Port_File::close(in);
  if (error != 0) {
    report(__LINE__)->issueError("Reading \"%s\" failed (error %d): what was printed is "
                                 "incomplete.\n",
                                 name, error);
    return 1;
  }
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

int defaultMode(int, char **) {
  Port::Version::init("porttool", "example");
  showMessages();
  report(__LINE__)->issueFatal(3, "A fatal message ends the process with its exit value (%d).\n",
                               3);
  return 0; // not reached
}

int quietMode(int, char **) {
  const UT_CMDARGINFO *missing = porttoolArgs().getarg("missing", 0);
  showMessages(missing ? missing->getargtxt() : "missing.txt");
  return 0;
}

int fatalMode(int, char **) {
  const UT_CMDARGINFO *value = porttoolArgs().getarg("value", 0);
  report(__LINE__)->issueFatal(value ? value->getargnum32() : 1, "Stopping as asked.\n");
  return 0; // not reached
}

int workMode(int, char **) {
  const UT_CMDARGINFO *steps = porttoolArgs().getarg("steps", 0);
  return work(steps ? steps->getargnum32() : 50);
}

int catMode(int, char **) { return cat(porttoolArgs().getarg("file", 0)->getargtxt()); }

int versionMode(int, char **) {
  Port::Version::init("porttool", "example");
  return 0;
}

// A mode: its group of the command format, the keyword that selects it (none for the mode
// without a keyword), and the function that runs it with the arguments after the keyword.
struct Mode {
  const char *group;
  const char *word;
  int (*run)(int argc, char **argv);
};

const Mode kModes[] = {
    {"()", nullptr, &defaultMode},
    {"(quiet [<missing>])", "quiet", &quietMode},
    {"(fatal [<value:0,255>])", "fatal", &fatalMode},
    {"(work [<steps:1,1000000>])", "work", &workMode},
    {"(cat <file>)", "cat", &catMode},
    {"(version)", "version", &versionMode},
    {"(check [-o <out>] [-n <count:1,100>] {-v} [-mode fast|slow] [{<file[.txt]>}])", "check",
     &checkMode},
};

std::string commandFormat() {
  std::string format = "porttool";
  const char *separator = " ";
  for (const Mode &mode : kModes) {
    format += separator;
    format += mode.group;
    separator = " | ";
  }
  return format;
}

const UT_CMDARGS *s_args = nullptr;

// Keeps the checker's message, so that porttool reports it in its own form.
class KeepError : public Port::CmdargErrHandler {
public:
  explicit KeepError(std::wstring *message) : m_message(message) {}
  void handleFormatError(const char *message) override {
    for (const char *p = message ? message : ""; *p; ++p)
      *m_message += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  void handleCommandLineError(const wchar_t *message) override {
    if (message)
      *m_message = message;
  }

private:
  std::wstring *m_message;
};
} // namespace

const UT_CMDARGS &porttoolArgs() { return *s_args; }
int runCommand(int argc, char **argv); // porttool_run.cpp

void showHelp() {
  const char *const words[] = {"-h"};
  const std::string format = commandFormat();
  UT_CMDARGS args(1, words, format.c_str(), nullptr,
                  UT_CMDARGS_ARGV_NO_PROGRAM | UT_CMDARGS_NO_CMDFILE);
}

int tryHelp() {
  std::fputs("try 'porttool -h'\n", stderr);
  return ExitUsage;
}

int usageError(const char *format, ...) {
  std::fflush(stdout);
  std::fputs("porttool: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  return tryHelp();
}

const char *reasonText(int code) { return code != 0 ? std::strerror(code) : "reason unknown"; }

int main(int argc, char **argv) {
  // --log LOG: a message stream copies every message, laid out as on the console, to LOG. It
  // comes before the checked command line: the format language reads "--name" as a hidden switch.
  LogFile logger;
  if (argc > 1 && std::strcmp(argv[1], "--log") == 0) {
    if (argc < 3)
      return usageError("--log wants the name of a log file");
    if (!logger.open(argv[2])) {
      report(__LINE__)->issueError("Cannot open \"%s\" for writing: %s.\n", argv[2],
                                   reasonText(Port_File::geterror()));
      return ExitFailed;
    }
    argc -= 2;
    argv += 2;
  }
  // The long forms of the help switch and of the version mode.
  static char help[] = "-h", version[] = "version";
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0)
    argv[1] = help;
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0)
    argv[1] = version;
  // run hands its words to the child as they stand, so the checker must not read them as
  // switches of porttool's own; the compressed-file modes check their own words.
  if (argc > 1 && std::strcmp(argv[1], "watch") == 0)
    return watchMain(argc - 1, argv + 1);
  if (argc > 1 && std::strcmp(argv[1], "run") == 0)
    return runCommand(argc - 2, argv + 2);
  if (argc > 1 && (!std::strcmp(argv[1], "compress") || !std::strcmp(argv[1], "expand") ||
                   !std::strcmp(argv[1], "format")))
    return portToolCompress(argc - 1, argv + 1);
  // Command files are expanded here, so that a mode receives the arguments it was given. The
  // loader has said what went wrong.
  UT_CMDFILE files(argc > 0 ? argc - 1 : 0, argv + (argc > 0 ? 1 : 0));
  if (!files.loadstat())
    return tryHelp();
  std::vector<std::string> words;
  for (int i = 0; i < files.getargc(); ++i)
    words.push_back(files.getargv()[i]);
  const std::vector<const char *> checked = [&] {
    std::vector<const char *> v;
    for (const std::string &w : words)
      v.push_back(w.c_str());
    return v;
  }();
  const std::string format = commandFormat();
  // The checker follows an error with the usage line and the whole help file on standard
  // output; porttool reports the error alone, so the dispatcher is silent during the check
  // unless help was asked for.
  const bool helpAsked = !checked.empty() && is_helpsw(checked[0]);
  std::wstring error;
  if (!helpAsked)
    Port_MsgDispatcher::disable();
  UT_CMDARGS args(static_cast<int>(checked.size()), checked.data(), format.c_str(),
                  std::unique_ptr<Port::CmdargErrHandler>(new KeepError(&error)), nullptr,
                  UT_CMDARGS_ARGV_NO_PROGRAM | UT_CMDARGS_NO_CMDFILE);
  if (!helpAsked)
    Port_MsgDispatcher::enable();
  if (args.iserror()) {
    while (!error.empty() && (error.back() == L'\n' || error.back() == L' '))
      error.pop_back();
    return usageError("%ls", error.empty() ? L"the command line is not valid" : error.c_str());
  }
  if (args.gaveusage())
    return ExitDone;
  s_args = &args;

  // The mode: the first argument when it is a keyword of the format.
  const UT_CMDARGINFO *first = args.getnumargs() > 0 ? args.getarg(0) : nullptr;
  const bool keyword = first && !first->getargname();
  for (const Mode &mode : kModes) {
    const bool selected =
        keyword ? mode.word && std::strcmp(mode.word, first->getargtxt()) == 0 : !mode.word;
    if (!selected)
      continue;
    const int from = keyword ? first->getargvindex() + 1 : 0;
    std::vector<char *> rest;
    for (size_t i = from; i < words.size(); ++i)
      rest.push_back(&words[i][0]);
    rest.push_back(nullptr);
    return mode.run(static_cast<int>(rest.size()) - 1, rest.data());
  }
  return ExitFailed; // a group without a mode: not reached with the table above
}
