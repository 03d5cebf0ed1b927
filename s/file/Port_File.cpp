// Port_File.cpp - the file-system facade: opening through the table, name tests, copies,
// removal, directories and times.
#include "Port_File.h"

#include "Port_MsgManData.h"
#include "Port_Random.h"
#include "basuttime.h"
#include "file/Port_FileImp.h"
#include "file/basutstreamimp.h"
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

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("Portability", __FILE__, line, kRevision);
}

bool fail(int code) {
  Port_FileImp::seterror(code);
  return false;
}

// Null: error 2; longer than the limit: a warning and error 38.
bool checkLength(const char *name) {
  if (!name)
    return fail(2);
  if (std::strlen(name) > static_cast<size_t>(Port_File::MaxPathLength)) {
    report(__LINE__)->issueWarning(
        "The file path length of <%s> exceeds the allowed maximum file path length [%d]\n", name,
        Port_File::MaxPathLength);
    return fail(38);
  }
  return true;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

// Trailing separators go, but a root stays a root: "/" and "\" are kept as they are, and a
// drive alone ("C:") means its root ("C:\").
std::string stripForTest(const char *name) {
  std::string s(name);
  while (s.size() > 1 && isSeparator(s.back()))
    s.pop_back();
  if (!s.empty() && s.back() == ':')
    s += '\\';
  return s;
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
    Port_FileImp::seterror(22);
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
    return fail(2);
  int in = platform::open(src, platform::O_BINARY_ | platform::O_RDONLY_);
  if (in < 0) {
    int e = errno;
    report(__LINE__)->issueDebug("Could not open file <%s> for reading.", src);
    return fail(e == 0 ? 2 : e);
  }
  FdGuard gin(in);
  int out = platform::open(
      dst, platform::O_BINARY_ | platform::O_CREAT_ | platform::O_TRUNC_ | platform::O_WRONLY_,
      0666);
  if (out < 0) {
    int e = errno;
    report(__LINE__)->issueDebug("Could not open file <%s> for writing.", dst);
    return fail(e);
  }
  FdGuard gout(out);
  unsigned char buf[kChunk];
  for (;;) {
    int got = platform::read(in, buf, kChunk);
    if (got < 0)
      return fail(errno);
    if (got == 0)
      break;
    if (platform::write(out, buf, static_cast<unsigned>(got)) != got) {
      int e = errno;
      report(__LINE__)->issueDebug("Could not write the file <%s>.", dst);
      return fail(e ? e : 28);
    }
  }
  gout.fd = -1;
  if (platform::close(out) != 0)
    return fail(errno);
  return true;
}

bool Port_File::copy_p(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(2);
  if (!platform::copyFile(src, dst, false))
    return fail(errno);
  return true;
}

bool Port_File::copy_p_v(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(2);
  bool equal = true;
  for (int mode = 0; mode <= 6 && equal; ++mode)
    equal = (platform::access(src, mode) == 0) == (platform::access(dst, mode) == 0);
  if (equal) {
    platform::FileStatus a, b;
    equal = platform::stat(src, &a) && platform::stat(dst, &b) && a.isRegular && b.isRegular &&
            a.size == b.size && a.modified == b.modified && sameBytes(src, dst);
  }
  return equal ? true : copy_p(src, dst);
}

bool Port_File::rename(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(2);
  // The destination goes only when there is something to put in its place.
  platform::FileStatus st;
  if (!platform::stat(src, &st))
    return fail(2);
  if (platform::stat(dst, &st) && !st.isDirectory)
    platform::unlink(dst);
  if (platform::rename(src, dst) != 0)
    return fail(errno);
  return true;
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

bool Port_File::remove(const char *name) {
  if (!name)
    return fail(2);
  if (platform::unlink(name) != 0)
    return fail(errno);
  return true;
}

bool Port_File::remove_f(const char *name) {
  if (!name)
    return fail(2);
  const int old = platform::getmode(name);
  if (old < 0)
    return fail(errno);
  platform::chmod(name, 0666);
  if (platform::unlink(name) != 0) {
    int e = errno;
    platform::chmod(name, old);
    return fail(e);
  }
  return true;
}

// Entries are removed by their full names; the working directory is never changed, so other
// threads and relative names are not disturbed. Links are removed as links, never entered.
bool Port_File::remove_r(const char *name) {
  if (!name)
    return fail(2);
  platform::FileStatus st;
  if (platform::isLink(name) || !platform::stat(name, &st) || !st.isDirectory)
    return remove(name);
  if (platform::rmdir(name) == 0)
    return true;
  std::string dir = stripForTest(name);
  std::vector<std::string> entries;
  if (!platform::findFiles((dir + "/*").c_str(), &entries))
    return fail(errno);
  for (const std::string &e : entries) {
    if (e == "." || e == "..")
      continue;
    if (!remove_r((dir + "/" + e).c_str()))
      return false;
  }
  if (platform::rmdir(name) != 0)
    return fail(errno);
  return true;
}

bool Port_File::make_writable(const char *name) {
  bool readOnly = false;
  if (!name || !platform::getFileAttributes(name, &readOnly, nullptr)) {
    int e = name ? errno : 2;
    report(__LINE__)->issueDebug("Could not get infomation of the file <%s>.", name ? name : "");
    return fail(e);
  }
  if (readOnly && !platform::setFileAttributes(name, false))
    return fail(errno);
  return true;
}

bool Port_File::append(const char *src, const char *dst) {
  if (!src || !dst)
    return fail(2);
  platform::FileStatus st;
  if (!platform::stat(src, &st))
    return fail(2);
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
    return fail(errno ? errno : 2);
  return true;
}

bool Port_File::exist_no_caching(const char *name) { return exist(name); }

bool Port_File::isdir(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::stat(stripForTest(name).c_str(), &st) || !st.isDirectory)
    return fail(13);
  return true;
}

bool Port_File::isfile(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::stat(name, &st) || !st.isRegular)
    return fail(13);
  return true;
}

bool Port_File::canread(const char *name) {
  if (!checkLength(name))
    return false;
  platform::FileStatus st;
  if (!platform::stat(name, &st))
    return fail(errno ? errno : 2);
  if (st.isDirectory) {
    std::vector<std::string> entries;
    if (!platform::findFiles((stripForTest(name) + "/*").c_str(), &entries))
      return fail(errno);
    return true;
  }
  if (!st.isRegular)
    return fail(13);
  int fd = platform::open(name, platform::O_BINARY_ | platform::O_RDONLY_);
  if (fd < 0)
    return fail(errno);
  FdGuard g(fd);
  if (st.size > 0) {
    unsigned char c;
    if (platform::read(fd, &c, 1) != 1)
      return fail(errno ? errno : 5);
  }
  return true;
}

bool Port_File::canwrite(const char *name) {
  if (!checkLength(name))
    return false;
  bool readOnly = false, directory = false;
  if (!platform::getFileAttributes(name, &readOnly, &directory)) {
    int fd =
        platform::open(name, platform::O_BINARY_ | platform::O_CREAT_ | platform::O_WRONLY_, 0666);
    if (fd < 0)
      return fail(errno);
    platform::close(fd);
    platform::unlink(name);
    return true;
  }
  if (readOnly)
    return fail(13);
  if (platform::setFileAttributes(name, readOnly))
    return true;
  if (!directory)
    return fail(errno);
  unsigned seed = 1;
  char probe[Port_File::MaxPathLength + 64];
  std::snprintf(probe, sizeof probe, "%s\\qel_%d_%d", name, platform::getpid(),
                Port_Random::Rand_r(&seed));
  std::string p(probe);
  for (std::string::size_type i; (i = p.find("\\\\")) != std::string::npos;)
    p.erase(i, 1);
  int fd = platform::open(
      p.c_str(), platform::O_BINARY_ | platform::O_CREAT_ | platform::O_WRONLY_ | platform::O_EXCL_,
      0666);
  if (fd < 0)
    return fail(errno);
  platform::close(fd);
  platform::unlink(p.c_str());
  return true;
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

long Port_File::getsize(const char *name, UT_STREAM *stream) {
  if (!name) {
    fail(2);
    return -1;
  }
  platform::FileStatus st;
  if (!platform::stat(name, &st)) {
    fail(errno ? errno : 2);
    return -1;
  }
  if (!st.isRegular) {
    fail(13);
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
    fail(name && errno ? errno : 2);
    return -1;
  }
  if (!st.isRegular) {
    fail(13);
    return -1;
  }
  return static_cast<long>(st.size);
}

bool Port_File::getdatetime(const char *name, long &t) {
  platform::FileStatus st;
  if (!name || !platform::stat(name, &st))
    return fail(name && errno ? errno : 2);
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
    return fail(2);
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
    return fail(17);
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
    return fail(name ? errno : 2);
  return true;
}

bool Port_File::chdir(const char *name) {
  clearerror();
  if (!name || platform::chdir(name) != 0)
    return fail(name ? errno : 2);
  return true;
}

bool Port_File::chmod(const char *name, int mode) {
  if (!name || platform::chmod(name, mode) != 0)
    return fail(name ? errno : 2);
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
bool Port_File::addtmpnam(const char *name) { return Port_FileImp::addtmpnam(name); }
bool Port_File::remtmpnam(const char *name) { return Port_FileImp::remtmpnam(name); }

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
    return fail(2);
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
