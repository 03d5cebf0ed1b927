// Port_File.cpp - the file-system facade: opening through the table, name tests, copies,
// removal, directories and times.
#include "Port_File.h"

#include "Port_MsgManData.h"
#include "Port_ZipFile.h"
#include "basuttime.h"
#include "file/Port_FileImp.h"
#include "file/basutstreamimp.h"
#include "msg/libreport.h"
#include "platform/dirhandle.h"
#include "platform/drive.h"
#include "platform/fileio.h"
#include "platform/filesys.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const unsigned kChunk = 4096;

const LibraryReport report(__FILE__, kRevision);

bool fail(int code) {
  Port_FileImp::seterror(code);
  return false;
}

bool failErrno() { return fail(errno); }

// Null: error 2; longer than the limit: a warning and error 38.
bool checkLength(const char *name) {
  if (!name)
    return fail(ENOENT);
  if (std::strlen(name) > static_cast<size_t>(Port_File::MaxPathLength)) {
    report(__LINE__)->issueWarning(
        "The file path length of <%s> exceeds the allowed maximum file path length [%d]\n", name,
        Port_File::MaxPathLength);
    return fail(Port_FileImp::NameTooLong);
  }
  return true;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Trailing separators go, but a root stays a root: "/" and "\" are kept as they are, and a
// drive alone ("C:") means its root ("C:\"). Any other name ending in ':' is a file's own name
// ("at:").
std::string stripForTest(const char *name) {
  std::string s(name);
  while (s.size() > 1 && isSeparator(s.back()))
    s.pop_back();
  if (s.size() == 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':')
    s += '\\';
  return s;
}

// True when path names a file of the kind (a flag of its status); anything else is error EACCES.
bool isKind(const char *path, bool platform::FileStatus::*kind) {
  platform::FileStatus st;
  if (!platform::stat(path, &st) || !(st.*kind))
    return fail(EACCES);
  return true;
}

// A name without its trailing separators; a root keeps its separator.
std::string withoutTrailingSeparators(const char *name) {
  std::string s(name);
  while (s.size() > 1 && isSeparator(s.back()) && !(s.size() == 3 && s[1] == ':'))
    s.pop_back();
  return s;
}

bool hasDrive(const std::string &name) {
  return name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

// The directory that holds the entry a name ends in: "." for a bare name, "C:" for "C:x", the
// root for "\x" and "C:\x".
std::string parentOf(const std::string &name) {
  const std::string::size_type sep = name.find_last_of("/\\");
  if (sep == std::string::npos)
    return hasDrive(name) ? name.substr(0, 2) : ".";
  if (sep == 0 || (hasDrive(name) && sep == 2))
    return name.substr(0, sep + 1);
  return name.substr(0, sep);
}

// True when the name ends in "." or "..", or names a root or a drive: nothing a recursive
// removal may take.
bool namesNoEntry(const std::string &stripped) {
  std::string::size_type start = stripped.find_last_of("/\\");
  start = start == std::string::npos ? (hasDrive(stripped) ? 2 : 0) : start + 1;
  const std::string last = stripped.substr(start);
  return last.empty() || last == "." || last == "..";
}

std::string nameOf(const Port::FileName &name) {
  Port::FileName copy(name);
  return copy.GetFullName(true, nullptr, nullptr, nullptr, nullptr, false).GetBuffer();
}

// Closes a descriptor on every path out.
struct FdGuard {
  int fd;
  explicit FdGuard(int f) : fd(f) {}
  ~FdGuard() {
    if (fd >= 0)
      platform::close(fd);
  }
};

bool readAll(int fd, unsigned char *buf, unsigned n) {
  unsigned got = 0;
  while (got < n) {
    int r = platform::read(fd, buf + got, n - got);
    if (r <= 0)
      return false;
    got += static_cast<unsigned>(r);
  }
  return true;
}

bool sameBytes(const char *a, const char *b) {
  int fa = platform::open(a, platform::O_BINARY_ | platform::O_RDONLY_);
  FdGuard ga(fa);
  int fb = platform::open(b, platform::O_BINARY_ | platform::O_RDONLY_);
  FdGuard gb(fb);
  if (fa < 0 || fb < 0)
    return false;
  unsigned char ba[kChunk], bb[kChunk];
  for (;;) {
    int ra = platform::read(fa, ba, kChunk);
    if (ra < 0)
      return false;
    if (ra == 0)
      return platform::read(fb, bb, 1) == 0;
    if (!readAll(fb, bb, static_cast<unsigned>(ra)) || std::memcmp(ba, bb, ra) != 0)
      return false;
  }
}
} // namespace

int Port_FileInit::s_count = 0;

Port_FileInit::Port_FileInit() {
  if (s_count++ == 0)
    Port_File::initialize();
}

Port_FileInit::~Port_FileInit() {
  if (--s_count == 0)
    Port_File::finalize();
}

void Port_File::initialize() { Port_FileImp::initialize(); }
void Port_File::finalize() { Port_FileImp::finalize(); }

UT_STREAM *Port_File::open(const char *name, UT_STREAM::Access access, unsigned char truncate) {
  return Port_FileImp::add_ofile(name, access, nullptr, truncate);
}

UT_STREAM *Port_File::open(const char *name, UT_STREAM *stream, unsigned char truncate) {
  if (!stream) {
    Port_FileImp::seterror(EINVAL);
    return nullptr;
  }
  return Port_FileImp::add_ofile(name, UT_STREAM::Read, stream, truncate);
}

UT_STREAM *Port_File::open(const Port::FileName &name, UT_STREAM::Access access,
                           unsigned char truncate) {
  return open(nameOf(name).c_str(), access, truncate);
}

UT_STREAM *Port_File::open(const Port::FileName &name, UT_STREAM *stream, unsigned char truncate) {
  return open(nameOf(name).c_str(), stream, truncate);
}

bool Port_File::close(UT_STREAM *stream) { return Port_FileImp::rm_ofile(stream); }

// ---------------------------------------------------------------------------------------------
// Copies, renames, removal

bool Port_File::copy(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(ENOENT);
  int in = platform::open(src, platform::O_BINARY_ | platform::O_RDONLY_);
  if (in < 0) {
    int e = errno;
    report(__LINE__)->issueDebug("Could not open file <%s> for reading.", src);
    return fail(e == 0 ? ENOENT : e);
  }
  FdGuard gin(in);
  platform::FileStatus from, to;
  if (!platform::fstat(in, &from))
    return failErrno();
  if (!from.isRegular) {
    // A FIFO would wait for a writer and a device may never end.
    report(__LINE__)->issueDebug("Could not copy <%s>: it is not a regular file.", src);
    return fail(EINVAL);
  }
  // Emptied only once it is known to be another file than the source.
  int out =
      platform::open(dst, platform::O_BINARY_ | platform::O_CREAT_ | platform::O_WRONLY_, 0666);
  if (out < 0) {
    int e = errno;
    report(__LINE__)->issueDebug("Could not open file <%s> for writing.", dst);
    return fail(e);
  }
  FdGuard gout(out);
  if (!platform::fstat(out, &to))
    return failErrno();
  if (platform::sameFile(from, to)) {
    report(__LINE__)->issueDebug("Could not copy <%s> to <%s>: they are the same file.", src, dst);
    return fail(EINVAL);
  }
  if ((to.isRegular && platform::chsize(out, 0) != 0) || !platform::copyData(in, out)) {
    int e = errno;
    report(__LINE__)->issueDebug("Could not write the file <%s>.", dst);
    return fail(e ? e : ENOSPC);
  }
  gout.fd = -1;
  if (platform::close(out) != 0)
    return failErrno();
  return true;
}

bool Port_File::copy_p(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(ENOENT);
  if (!platform::copyFile(src, dst, false))
    return failErrno();
  return true;
}

bool Port_File::copy_p_v(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(ENOENT);
  platform::FileStatus a, b;
  if (platform::stat(src, &a) && !a.isRegular)
    return fail(EINVAL);
  bool equal = true;
  for (int mode = 0; mode <= 6 && equal; ++mode)
    equal = (platform::access(src, mode) == 0) == (platform::access(dst, mode) == 0);
  if (equal) {
    equal = platform::stat(src, &a) && platform::stat(dst, &b) && a.isRegular && b.isRegular &&
            a.size == b.size && a.modified == b.modified && sameBytes(src, dst);
  }
  return equal ? true : copy_p(src, dst);
}

namespace {
// A move to another file system, as mv makes it: a copy with the mode and times is made beside
// the destination, put in its place in one step, and only then is the source removed. Until
// that last step a failure leaves both names as they were.
bool moveAcross(const char *src, const char *dst, const platform::FileStatus &from) {
  if (!from.isRegular)
    return fail(EXDEV); // directories, links and devices move only within a file system
  if (platform::access(parentOf(src).c_str(), 2) != 0)
    return failErrno(); // the source could not be removed after the copy
  const std::string copy = platform::tempnam(parentOf(dst).c_str(), "qel_move_");
  if (copy.empty())
    return failErrno();
  if (!platform::copyFile(src, copy.c_str(), true) || platform::moveFile(copy.c_str(), dst) != 0) {
    const int e = errno;
    platform::unlink(copy.c_str());
    return fail(e);
  }
  // The destination now holds the file; should the source resist, it stays as well.
  if (platform::unlink(src) != 0)
    return failErrno();
  return true;
}
} // namespace

// The destination is replaced only by the move itself, never removed ahead of it.
bool Port_File::rename(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(ENOENT);
  platform::FileStatus from, to;
  if (!platform::lstat(src, &from))
    return failErrno();
  if (platform::lstat(dst, &to)) {
    if (platform::sameFile(from, to))
      return true; // one file under two names (or one name written two ways): nothing to do
    platform::FileStatus a, b;
    if (platform::stat(src, &a) && platform::stat(dst, &b) && platform::sameFile(a, b))
      return fail(EINVAL); // a link and the file it names: either way round the data goes
  }
  if (platform::moveFile(src, dst) == 0)
    return true;
  if (errno != EXDEV)
    return failErrno();
  return moveAcross(src, dst, from);
}

bool Port_File::namematch(const char *a, const char *b) {
  if (!a || !b)
    return a == b;
  auto normal = [](const char *s) {
    std::string r;
    for (; *s; ++s) {
      char c = *s == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
      if (c == '/' && !r.empty() && r.back() == '/')
        continue;
      r += c;
    }
    return r;
  };
  return normal(a) == normal(b);
}

// A read-only file keeps its name, as on Windows; remove_f takes it.
bool Port_File::remove(const char *name) {
  if (!name)
    return fail(ENOENT);
  platform::FileStatus st;
  if (platform::lstat(name, &st) && st.isRegular && st.readOnly)
    return fail(EACCES);
  if (platform::unlink(name) != 0)
    return failErrno();
  return true;
}

// Removing a name needs the permission of its directory here, not of the file: nothing is
// made writable first, so no mode of the file (or, through a link or a hard link, of another
// name) ever changes.
bool Port_File::remove_f(const char *name) {
  if (!name)
    return fail(ENOENT);
  if (platform::unlink(name) != 0)
    return failErrno();
  return true;
}

namespace {
bool removeEntries(const platform::DirectoryHandle &dir);

// One entry of an open directory, by the name the directory gave it. A link (or anything that
// is not a directory) is removed itself; a directory is entered through the handle opened on
// it, so that a directory swapped for a link meanwhile is never followed.
bool removeEntry(const platform::DirectoryHandle &dir, const std::string &entry) {
  platform::FileStatus st;
  if (!dir.status(entry, &st))
    return errno == ENOENT || failErrno(); // gone already
  if (!st.isDirectory) {
    if (st.isRegular && st.readOnly)
      return fail(EACCES);
    return dir.remove(entry, false) == 0 || errno == ENOENT || failErrno();
  }
  if (dir.remove(entry, true) == 0)
    return true;
  platform::DirectoryHandle sub;
  if (!sub.open(dir, entry))
    return errno == ENOENT || failErrno();
  if (!removeEntries(sub))
    return false;
  return dir.remove(entry, true) == 0 || failErrno();
}

// Stops at the first entry that stays.
bool removeEntries(const platform::DirectoryHandle &dir) {
  std::vector<std::string> entries;
  if (!dir.list(&entries))
    return failErrno();
  for (const std::string &entry : entries)
    if (!removeEntry(dir, entry))
      return false;
  return true;
}
} // namespace

// The working directory is never changed, so other threads and relative names are not
// disturbed; below the name given, entries are reached only through open directories.
bool Port_File::remove_r(const char *name) {
  if (!name)
    return fail(ENOENT);
  const std::string top = withoutTrailingSeparators(name);
  if (namesNoEntry(top))
    return fail(EINVAL); // "t\.", "t\..", a root: as rm, never
  platform::FileStatus st;
  if (!platform::lstat(top.c_str(), &st))
    return failErrno();
  if (!st.isDirectory)
    return remove(top.c_str());
  if (platform::rmdir(top.c_str()) == 0)
    return true;
  platform::DirectoryHandle dir;
  if (!dir.open(top.c_str()))
    return failErrno();
  if (!removeEntries(dir))
    return false;
  if (platform::rmdir(top.c_str()) != 0)
    return failErrno();
  return true;
}

bool Port_File::make_writable(const char *name) {
  bool readOnly = false;
  if (!name || !platform::getFileAttributes(name, &readOnly, nullptr)) {
    int e = name ? errno : ENOENT;
    report(__LINE__)->issueDebug("Could not get infomation of the file <%s>.", name ? name : "");
    return fail(e);
  }
  if (readOnly && !platform::setFileAttributes(name, false))
    return fail(errno);
  return true;
}

bool Port_File::append(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(ENOENT);
  platform::FileStatus from, to;
  if (!platform::stat(src, &from))
    return fail(ENOENT);
  // A FIFO would wait for a writer, a device may never end, and a file appended to itself
  // grows for ever.
  if (!from.isRegular || (platform::stat(dst, &to) && platform::sameFile(from, to)))
    return fail(EINVAL);
  UT_STREAM *in = open(src, UT_STREAM::Read, 0);
  if (!in)
    return false;
  UT_STREAM *out = open(dst, UT_STREAM::Write | UT_STREAM::Append, 0);
  if (!out) {
    close(in);
    return false;
  }
  unsigned char buf[kChunk];
  bool ok = true;
  for (;;) {
    unsigned got = in->read(buf, kChunk);
    if (got == 0)
      break;
    if (out->write(buf, got) != got) {
      ok = false;
      break;
    }
  }
  if (out->flush(true) != 0 || out->geterror() != 0) {
    Port_FileImp::seterror(out->geterror());
    ok = false;
  }
  close(in);
  close(out);
  return ok;
}

bool Port_File::appendline(const char *line, const char *name) {
  UT_STREAM *out = open(name, UT_STREAM::Write | UT_STREAM::Append, 0);
  if (!out)
    return false;
  out->writeline(line ? line : "");
  bool ok = out->flush(true) == 0 && out->geterror() == 0;
  if (!ok)
    Port_FileImp::seterror(out->geterror());
  close(out);
  return ok;
}

// ---------------------------------------------------------------------------------------------
// Name tests

bool Port_File::exist(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::stat(stripForTest(name).c_str(), &st))
    return fail(errno ? errno : ENOENT);
  return true;
}

bool Port_File::exist_no_caching(const char *name) { return exist(name); }

bool Port_File::isdir(const char *name) {
  return checkLength(name) &&
         isKind(stripForTest(name).c_str(), &platform::FileStatus::isDirectory);
}

bool Port_File::isfile(const char *name) {
  return checkLength(name) && isKind(name, &platform::FileStatus::isRegular);
}

bool Port_File::canread(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::stat(name, &st))
    return fail(errno ? errno : ENOENT);
  if (st.isDirectory) {
    std::vector<std::string> entries;
    if (!platform::findFiles((stripForTest(name) + "/*").c_str(), &entries))
      return fail(errno);
    return true;
  }
  if (!st.isRegular)
    return fail(EACCES);
  int fd = platform::open(name, platform::O_BINARY_ | platform::O_RDONLY_);
  if (fd < 0)
    return fail(errno);
  FdGuard g(fd);
  if (st.size > 0) {
    unsigned char c;
    if (platform::read(fd, &c, 1) != 1)
      return fail(errno ? errno : EIO);
  }
  return true;
}

// A test changes nothing: the answer comes from the permissions the system checks for the
// calling user, never from a probe file or a change of attributes.
bool Port_File::canwrite(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::lstat(name, &st)) {
    if (errno != ENOENT)
      return failErrno();
    // A new file: writable when its directory takes new entries.
    const std::string dir = parentOf(name);
    if (!platform::stat(dir.c_str(), &st))
      return failErrno();
    if (!st.isDirectory)
      return fail(ENOTDIR);
    return platform::access(dir.c_str(), 2) == 0 || failErrno();
  }
  if (!platform::stat(name, &st))
    return failErrno(); // a link to nothing
  if (st.readOnly)
    return fail(EACCES);
  return platform::access(name, 2) == 0 || failErrno();
}

bool Port_File::canread_dir(const char *name) {
  if (!isdir(name))
    return false;
  std::string dir(name);
  while (!dir.empty() && isSeparator(dir.back()))
    dir.pop_back();
  std::vector<std::string> entries;
  if (!platform::findFiles((dir + "\\*").c_str(), &entries))
    return fail(errno);
  return true;
}

bool Port_File::canwrite_dir(const char *name) {
  if (!isdir(name))
    return false;
  return canwrite(stripForTest(name).c_str());
}

// ---------------------------------------------------------------------------------------------
// Sizes and times

namespace {
// The size of a file that is not on disk but read from a zip archive standing in for one of its
// directories; -1 with the error of the open when there is none.
long memberSize(const char *name) {
  UT_STREAM *s = Port_File::open(name, UT_STREAM::Read, 0);
  if (!s)
    return -1;
  const Port::FileDesc fd = s->getfid();
  long size = -1;
  if (fd.isArchive() && fd.archive())
    size = static_cast<long>(fd.archive()->SizeOf());
  else
    Port_FileImp::seterror(ENOENT); // appeared on disk meanwhile: not a member after all
  Port_File::close(s);
  return size;
}
} // namespace

long Port_File::getsize(const char *name, UT_STREAM *stream) {
  if (!name) {
    fail(ENOENT);
    return -1;
  }
  // A member of a zip archive has the size its archive's directory gives.
  if (stream) {
    const Port::FileDesc fd = stream->getfid();
    if (fd.isArchive() && fd.archive())
      return static_cast<long>(fd.archive()->SizeOf());
  }
  platform::FileStatus st;
  if (!platform::stat(name, &st)) {
    const int code = errno ? errno : ENOENT;
    if (code == ENOENT && !stream)
      return memberSize(name);
    fail(code);
    return -1;
  }
  if (!st.isRegular) {
    fail(EACCES);
    return -1;
  }
  if (stream) {
    long size = stream->getsize();
    if (size >= 0)
      return size;
    // The stream goes back where it was, not to its start.
    const long at = stream->getfoffset();
    if (!stream->seekend())
      return -1;
    size = stream->getfoffset();
    stream->setfoffset(at);
    return size;
  }
  int fd = platform::open(name, platform::O_BINARY_ | platform::O_RDONLY_);
  if (fd < 0) {
    fail(errno);
    return -1;
  }
  Port::FileDesc desc(fd);
  char first, second;
  const bool compressed = UT_IO_DEVICE::iscompressed(desc, second, first);
  desc.close();
  if (compressed) {
    UT_STREAM *s = Port_File::open(name, UT_STREAM::Read, 1);
    if (!s)
      return -1;
    long size = s->getsize();
    if (size < 0 && s->seekend())
      size = s->getfoffset();
    Port_File::close(s);
    return size;
  }
  return static_cast<long>(st.size);
}

long Port_File::getsize_noopen(const char *name) {
  platform::FileStatus st;
  if (!name || !platform::stat(name, &st)) {
    fail(name && errno ? errno : ENOENT);
    return -1;
  }
  if (!st.isRegular) {
    fail(EACCES);
    return -1;
  }
  return static_cast<long>(st.size);
}

bool Port_File::getdatetime(const char *name, long &t) {
  platform::FileStatus st;
  if (!name || !platform::stat(name, &st))
    return fail(name && errno ? errno : ENOENT);
  t = static_cast<long>(st.modified);
  return true;
}

int Port_File::asciidatetime(const long &t, char *buf) {
  if (!buf)
    return 0;
  char text[64];
  const char *c = UT_TIME::CTime_r(&t, text);
  std::string s = c ? c : "?";
  if (!s.empty() && s.back() == '\n')
    s.pop_back();
  std::strcpy(buf, s.c_str());
  return static_cast<int>(s.size());
}

bool Port_File::asciidatetime(const char *name, char *buf) {
  long t;
  if (!getdatetime(name, t)) {
    if (buf)
      std::strcpy(buf, "?");
    return false;
  }
  asciidatetime(t, buf);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Directories

bool Port_File::mkdir(const char *name, unsigned char recursive) {
  if (!name || !*name)
    return fail(ENOENT);
  if (!recursive) {
    if (platform::mkdir(name) != 0)
      return fail(errno);
    return true;
  }
  std::string full(name);
  while (full.size() > 1 && isSeparator(full.back()))
    full.pop_back();
  for (char &c : full)
    if (c == '/')
      c = '\\';
  platform::FileStatus st;
  if (platform::stat(full.c_str(), &st) && st.isDirectory)
    return fail(EEXIST);
  const bool network = full.compare(0, 2, "\\\\") == 0;
  int prefixes = 0;
  for (std::string::size_type i = 0; i <= full.size(); ++i) {
    if (i < full.size() && full[i] != '\\')
      continue;
    std::string prefix = full.substr(0, i);
    if (prefix.empty() || prefix == "\\")
      continue;
    ++prefixes;
    if (network && prefixes <= 3) // "\\server" and "\\server\share" (the first counts "\\")
      continue;
    if (prefix.size() == 2 && std::isalpha(static_cast<unsigned char>(prefix[0])) &&
        prefix[1] == ':')
      prefix += '\\';
    if (platform::stat(prefix.c_str(), &st) && st.isDirectory)
      continue;
    if (platform::mkdir(prefix.c_str()) != 0)
      return fail(errno);
  }
  return true;
}

bool Port_File::rmdir(const char *name) {
  if (!name || platform::rmdir(name) != 0)
    return fail(name ? errno : ENOENT);
  return true;
}

bool Port_File::chdir(const char *name) {
  clearerror();
  if (!name || platform::chdir(name) != 0)
    return fail(name ? errno : ENOENT);
  return true;
}

bool Port_File::chmod(const char *name, int mode) {
  if (!name || platform::chmod(name, mode) != 0)
    return fail(name ? errno : ENOENT);
  return true;
}

namespace {
// The working directory in Windows form, without an automounter's "\tmp_mnt" in front.
std::string currentDirectory() {
  std::string dir;
  if (!platform::getdcwd(0, dir))
    return dir;
  static const char kMount[] = "C:\\tmp_mnt\\";
  if (dir.compare(0, sizeof kMount - 1, kMount) == 0)
    dir.erase(2, 8);
  return dir;
}
} // namespace

void Port_File::getcwd(char *buf, short size) {
  if (!buf || size < 2)
    return;
  std::string dir = currentDirectory();
  if (dir.size() >= static_cast<size_t>(size)) {
    report(__LINE__)->issueFatal(69, "current working directory '%s' exceeds length limit of %d\n",
                                 dir.c_str(), static_cast<int>(size));
    return;
  }
  std::strcpy(buf, dir.c_str());
}

Port::StringBase<char> Port_File::getcwd() { return currentDirectory().c_str(); }

// ---------------------------------------------------------------------------------------------
// Temporary names, search, name forms

char *Port_File::tmpnam(char *buf) { return Port_FileImp::tmpnam(buf); }
namespace {
// Temporary names are kept absolute, so that a change of the working directory before the end
// never redirects the deletion to another file. Empty when that cannot be done: without a
// working directory, or with one whose name holds a backslash, which the file layer would read
// as a separator.
std::string absoluteName(const char *name) {
  if (Port_File::isabsolute(name))
    return name;
  std::string dir;
  if (!platform::getcwd(&dir) || dir.find('\\') != std::string::npos)
    return std::string();
  const std::string relative(name);
  if (hasDrive(relative) && std::toupper(static_cast<unsigned char>(relative[0])) != 'C')
    return relative; // another drive: nothing there to delete
  return dir + "/" + (hasDrive(relative) ? relative.substr(2) : relative);
}
} // namespace

bool Port_File::addtmpnam(const char *name) {
  if (!name)
    return false;
  const std::string absolute = absoluteName(name);
  return !absolute.empty() && Port_FileImp::addtmpnam(absolute.c_str());
}

bool Port_File::remtmpnam(const char *name) {
  if (!name)
    return false;
  const std::string absolute = absoluteName(name);
  return !absolute.empty() && Port_FileImp::remtmpnam(absolute.c_str());
}

const char *Port_File::find(const char *name, const char **dirs, int count, char *out) {
  if (!name || !dirs)
    return nullptr;
  for (int i = 0; i < count && dirs[i]; ++i) {
    std::string candidate(dirs[i]);
    if (!candidate.empty() && candidate.back() != '/' && name[0] != '/')
      candidate += '/';
    candidate += name;
    if (exist(candidate.c_str())) {
      if (out)
        std::strcpy(out, candidate.c_str());
      return dirs[i];
    }
  }
  return nullptr;
}

bool Port_File::isabsolute(const char *name) {
  if (!name)
    return false;
  if (isSeparator(name[0]))
    return true;
  return std::strlen(name) >= 3 && std::isalpha(static_cast<unsigned char>(name[0])) &&
         name[1] == ':' && isSeparator(name[2]);
}

void Port_File::makeunixpath(char *name) {
  for (; name && *name; ++name)
    if (*name == '\\')
      *name = '/';
}

void Port_File::makedospath(char *name) {
  for (; name && *name; ++name)
    if (*name == '/')
      *name = '\\';
}

// An existing file gets new times in place (_utime), which keeps its mode, owner and links.
bool Port_File::touchfile(const char *name) {
  if (!name || !*name)
    return fail(ENOENT);
  platform::FileStatus st;
  if (!platform::stat(name, &st)) {
    UT_STREAM *s = open(name, UT_STREAM::Write, 1);
    if (!s)
      return false;
    close(s);
    return true;
  }
  if (platform::touch(name) != 0)
    return fail(errno);
  return true;
}

int Port_File::geterror() { return Port_FileImp::geterror(); }
void Port_File::clearerror() { Port_FileImp::seterror(0); }
UT_STREAM *Port_File::getCout() { return Port_FileImp::getCout(); }
UT_STREAM *Port_File::getCerr() { return Port_FileImp::getCerr(); }
UT_STREAM *Port_File::getCin() { return Port_FileImp::getCin(); }
void Port_File::dumpopenfiles() { Port_FileImp::dumpopenfiles(); }

// ---------------------------------------------------------------------------------------------
// File-name forms

bool Port_File::copy(const Port::FileName &s, const Port::FileName &d) {
  return copy(nameOf(s).c_str(), nameOf(d).c_str());
}
bool Port_File::copy_p(const Port::FileName &s, const Port::FileName &d) {
  return copy_p(nameOf(s).c_str(), nameOf(d).c_str());
}
bool Port_File::copy_p_v(const Port::FileName &s, const Port::FileName &d) {
  return copy_p_v(nameOf(s).c_str(), nameOf(d).c_str());
}
bool Port_File::rename(const Port::FileName &s, const Port::FileName &d) {
  return rename(nameOf(s).c_str(), nameOf(d).c_str());
}
bool Port_File::namematch(const Port::FileName &a, const Port::FileName &b) {
  return namematch(nameOf(a).c_str(), nameOf(b).c_str());
}
bool Port_File::remove(const Port::FileName &n) { return remove(nameOf(n).c_str()); }
bool Port_File::remove_f(const Port::FileName &n) { return remove_f(nameOf(n).c_str()); }
bool Port_File::remove_r(const Port::FileName &n) { return remove_r(nameOf(n).c_str()); }
bool Port_File::make_writable(const Port::FileName &n) { return make_writable(nameOf(n).c_str()); }
bool Port_File::append(const Port::FileName &s, const Port::FileName &d) {
  return append(nameOf(s).c_str(), nameOf(d).c_str());
}
bool Port_File::appendline(const char *line, const Port::FileName &n) {
  return appendline(line, nameOf(n).c_str());
}
bool Port_File::exist(const Port::FileName &n) { return exist(nameOf(n).c_str()); }
bool Port_File::exist_no_caching(const Port::FileName &n) {
  return exist_no_caching(nameOf(n).c_str());
}
bool Port_File::isdir(const Port::FileName &n) { return isdir(nameOf(n).c_str()); }
bool Port_File::isfile(const Port::FileName &n) { return isfile(nameOf(n).c_str()); }
bool Port_File::canread(const Port::FileName &n) { return canread(nameOf(n).c_str()); }
bool Port_File::canwrite(const Port::FileName &n) { return canwrite(nameOf(n).c_str()); }
bool Port_File::canread_dir(const Port::FileName &n) { return canread_dir(nameOf(n).c_str()); }
bool Port_File::canwrite_dir(const Port::FileName &n) { return canwrite_dir(nameOf(n).c_str()); }
long Port_File::getsize(const Port::FileName &n, UT_STREAM *s) {
  return getsize(nameOf(n).c_str(), s);
}
long Port_File::getsize_noopen(const Port::FileName &n) {
  return getsize_noopen(nameOf(n).c_str());
}
bool Port_File::getdatetime(const Port::FileName &n, long &t) {
  return getdatetime(nameOf(n).c_str(), t);
}
bool Port_File::asciidatetime(const Port::FileName &n, char *buf) {
  return asciidatetime(nameOf(n).c_str(), buf);
}
bool Port_File::mkdir(const Port::FileName &n, unsigned char r) {
  return mkdir(nameOf(n).c_str(), r);
}
bool Port_File::rmdir(const Port::FileName &n) { return rmdir(nameOf(n).c_str()); }
bool Port_File::chdir(const Port::FileName &n) { return chdir(nameOf(n).c_str()); }
bool Port_File::chmod(const Port::FileName &n, int mode) { return chmod(nameOf(n).c_str(), mode); }
bool Port_File::addtmpnam(const Port::FileName &n) { return addtmpnam(nameOf(n).c_str()); }
bool Port_File::remtmpnam(const Port::FileName &n) { return remtmpnam(nameOf(n).c_str()); }
bool Port_File::isabsolute(const Port::FileName &n) { return isabsolute(nameOf(n).c_str()); }
bool Port_File::touchfile(const Port::FileName &n) { return touchfile(nameOf(n).c_str()); }
