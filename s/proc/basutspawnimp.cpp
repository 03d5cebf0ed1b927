// basutspawnimp.cpp - splitting and starting of spawned commands.
#include "proc/basutspawnimp.h"

#include "Port_File.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "msg/libreport.h"
#include "platform/environment.h"
#include "platform/process.h"
#include "str/cmdtoken.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

static Port_MsgDispatcherInit dispatcherInit;

namespace {

const char *const kRevision = "$Revision: 1.1 $";
const size_t kDetachedLineMax = 2047; // a command line started without waiting
const size_t kCandidateMax = 1023;    // a path tried along PATH
const size_t kErrmsgSize = 256;

const LibraryReport report(__FILE__, kRevision);

// The calling thread's errmsg buffer.
char *errmsgBuffer() {
  static Port_ThrThreadData<char *> buffers;
  char *buf = buffers.get();
  if (!buf) {
    buf = new char[kErrmsgSize];
    buffers.set(buf);
  }
  return buf;
}

} // namespace

bool splitSpawnLine(const char *line, std::vector<std::string> *args) {
  const char *p = line;
  std::string token;
  for (;;) {
    switch (cmdtoken::next(p, &token)) {
    case cmdtoken::Next::End:
      return true;
    case cmdtoken::Next::OpenQuote:
      report(__LINE__)->issueInternal("Never found the closing quote in command line.\n");
      return false;
    case cmdtoken::Next::Word:
      args->push_back(token);
      break;
    }
  }
}

UT_SPAWNIMP::UT_SPAWNIMP() { errmsgBuffer(); }

UT_SPAWNIMP::UT_SPAWNIMP(const UT_SPAWNIMP &other)
    : m_childSig(other.m_childSig), m_childRetcode(other.m_childRetcode),
      m_spawnErrno(other.m_spawnErrno), m_name(other.m_name ? UT_STR::Dup(other.m_name) : nullptr),
      m_internalError(other.m_internalError) {}

UT_SPAWNIMP &UT_SPAWNIMP::operator=(const UT_SPAWNIMP &other) {
  if (this == &other)
    return *this;
  char *name = other.m_name ? UT_STR::Dup(other.m_name) : nullptr;
  delete[] m_name;
  m_name = name;
  m_childSig = other.m_childSig;
  m_childRetcode = other.m_childRetcode;
  m_spawnErrno = other.m_spawnErrno;
  m_internalError = other.m_internalError;
  return *this;
}

UT_SPAWNIMP::~UT_SPAWNIMP() { delete[] m_name; }

int UT_SPAWNIMP::spawn(const char *cmdline, unsigned char wait) {
  if (!cmdline) {
    report(__LINE__)->issueInternal("NULL command line.\n");
    m_internalError = true;
    return 1;
  }
  std::vector<std::string> args;
  if (!splitSpawnLine(cmdline, &args)) {
    m_internalError = true;
    return 1;
  }
  if (args.empty()) {
    report(__LINE__)->issueInternal("Empty command line.\n");
    m_internalError = true;
    return 1;
  }
  std::vector<const char *> argv;
  for (const std::string &a : args)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return internal_spawn(static_cast<int>(args.size()), argv.data(), wait);
}

int UT_SPAWNIMP::internal_spawn(int argc, const char *const *argv, unsigned char wait) {
  if (argc <= 0 || !argv || !argv[0])
    return 1;
  delete[] m_name;
  m_name = UT_STR::Dup(argv[0]);
  m_internalError = false;
  m_spawnErrno = 0;
  if (!wait) {
    // Each argument quoted where it must be, so that it arrives whole.
    std::string line;
    for (int i = 0; i < argc; ++i)
      if (argv[i])
        line += platform::quoteArgument(argv[i]) + " ";
    if (line.size() > kDetachedLineMax) {
      report(__LINE__)->issueInternal("spawn - command line too long.\n");
      return 1;
    }
    platform::startDetached(line.c_str());
    return 0;
  }
  std::vector<const char *> args(argv, argv + argc);
  args.push_back(nullptr);
  int result = spawnWaiting(args.data());
  if (result == -1) {
    m_spawnErrno = errno;
    return 1;
  }
  m_childRetcode = result;
  return 0;
}

// Waits for the child; a program refused for lack of access is tried once more as <dir>/<name>
// (with ".exe" added unless the name has it) for each directory of PATH.
int UT_SPAWNIMP::spawnWaiting(const char *const *argv) {
  int result = platform::spawnWait(argv);
  if (result != -1 || errno != EACCES)
    return result;
  const int firstErrno = errno;
  std::string name = argv[0];
  const bool hasExe = name.size() >= 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
  const char *path = platform::getenv("PATH");
  if (!path)
    path = platform::getenv("Path");
  std::string dirs = path ? path : "";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find_first_of(":;", start);
    if (end == std::string::npos)
      end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty())
      continue;
    std::string candidate = dir + (dir.back() == '/' ? "" : "/") + name + (hasExe ? "" : ".exe");
    if (candidate.size() > kCandidateMax || !Port_File::exist(candidate.c_str()))
      continue;
    std::vector<const char *> args;
    args.push_back(candidate.c_str());
    for (const char *const *a = argv + 1; *a; ++a)
      args.push_back(*a);
    args.push_back(nullptr);
    return platform::spawnWait(args.data());
  }
  errno = firstErrno;
  return -1;
}

char *UT_SPAWNIMP::errmsg() {
  char *buf = errmsgBuffer();
  std::string text;
  if (m_internalError) {
    text = "Internal spawn error.";
  } else if (m_spawnErrno != 0) {
    std::string reason;
    if (!platform::systemErrorText(static_cast<uint32_t>(m_spawnErrno), &reason))
      reason = "Unknown error " + std::to_string(m_spawnErrno);
    text = std::string(m_name ? m_name : "") + ":  " + reason;
  }
  // A longer text is cut to the buffer.
  size_t n = std::min(text.size(), kErrmsgSize - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return buf;
}
