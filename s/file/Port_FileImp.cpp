// Port_FileImp.cpp - the open-file table, temporary names, the temporary directory, the
// standard streams and the per-thread error code.
//
// Locks: the table lock guards the table, the temporary-name lock the name list; they are never
// held together, and no message is issued while either is held (the message system itself may
// open files through this table).
#include "file/Port_FileImp.h"

#include "Port_Env.h"
#include "Port_File.h"
#include "Port_FileName.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "Port_ZipFile.h"
#include "basutmemory.h"
#include "file/basutstreamimp.h"
#include "msg/libreport.h"
#include "platform/exit.h"
#include "platform/fileio.h"
#include "platform/filesys.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const int kPlainBufferSize = 4096;

const LibraryReport report(__FILE__, kRevision);

char *copyText(const char *text) {
  char *c = new char[std::strlen(text) + 1];
  std::strcpy(c, text);
  return c;
}

struct Entry {
  UT_STREAM *stream = nullptr;
  Port::FileDesc desc; // -1 marks a free entry
  char *name = nullptr;
  int32_t count = 0;
};

struct State {
  Port_ThrMutex tableLock;
  Port_ThrMutex tempLock;
  Entry table[Port_FileImp::TableSize];
  char *tempNames[Port_FileImp::MaxTempNames] = {};
  int tempCount = 0;
  char *tempDir = nullptr;
  UT_STREAM *cout = nullptr;
  UT_STREAM *cerr = nullptr;
  UT_STREAM *cin = nullptr;
  Port_ThrThreadData<Port_FileImpTsd *> tsd;
};

State *g_state = nullptr;
bool g_traceOpens = false;
bool g_memUsage = false;
uint32_t g_memBase = 0;

// Used before the module is set up or after it is torn down.
thread_local Port_FileImpTsd t_fallbackTsd;

bool isFreeEntry(const Entry &e) { return static_cast<int>(e.desc) == -1 && !e.name; }

int findEntry(UT_STREAM *stream) {
  for (int i = 0; i < Port_FileImp::TableSize; ++i)
    if (g_state->table[i].stream == stream && stream)
      return i;
  return -1;
}

int freeEntry() {
  for (int i = 0; i < Port_FileImp::TableSize; ++i)
    if (isFreeEntry(g_state->table[i]))
      return i;
  return -1;
}

void reportTableFull(const char *name) {
  report(__LINE__)->issueInternal("Port_FileImp: Too many opened files!  Cannot open file '%s'.\n",
                                  name);
  Port_FileImp::dumpopenfiles();
}

enum class Mode { Read, Write, Append };

// The descriptor and what is known of it, found outside the table lock.
struct Opened {
  Port::FileDesc desc;
  bool ok = false;
  // A compressed stream: its access and the file's (or the new file's) format characters.
  bool compressed = false;
  unsigned access = 0;
  char first = 0, second = 0;
};

// The format characters of a new compressed file, from the access's format field. The codec the
// stream will use (the process default and the environment) must agree with the pair, or the
// file could not be read back: a mismatch takes the codec's usual pair.
void chooseFormat(unsigned access, unsigned field, Opened &r) {
  static const struct {
    unsigned field;
    char first, second;
  } table[] = {{0x30, '3', '2'}, {0x10, '3', '3'}, {0x20, '3', '4'}, {0x40, '3', '5'},
               {0x50, '3', '6'}, {0x60, '3', '7'}, {0x70, '3', '8'}, {0x100000, '8', '0'}};
  bool newCodec = UT_IO_DEVICE::NewCompressionIsTheDefault();
  if (Port_Env::GetEnv("QUELMO_USE_OLD_STYLE_COMPRESSION"))
    newCodec = false;
  if (Port_Env::GetEnv("QUELMO_USE_NEW_STYLE_COMPRESSION"))
    newCodec = true;
  r.first = newCodec ? '3' : '2';
  r.second = newCodec ? '7' : '1';
  if (access & UT_STREAM::StartEmpty)
    field = 0x50;
  for (const auto &t : table)
    if (t.field == field) {
      r.first = t.first;
      r.second = t.second;
    }
  if (UT_IO_DEVICE::is_new_format(r.first) != newCodec) {
    r.first = newCodec ? '3' : '2';
    r.second = newCodec ? '7' : '1';
  }
}

// The names under which a file is looked for in the archive standing in for the directory
// standIn (absolute, without mount, ending in a separator): the name as given to open, then its
// path relative to standIn, then relative to the directory holding the archive, with forward
// slashes, as zip tools store them.
std::vector<std::string> memberNames(const char *name, const Port::StringBase<char> &absolute,
                                     const Port::StringBase<char> &standIn,
                                     const Port::StringBase<char> &component) {
  std::vector<std::string> names{name};
  Port::FileName abs(absolute.GetBuffer());
  const std::string full = std::string(abs.GetPath().GetBuffer()) + abs.GetTail().GetBuffer();
  const std::string dir = standIn.GetBuffer();
  if (full.size() > dir.size() && full.compare(0, dir.size(), dir) == 0) {
    std::string relative = full.substr(dir.size());
    std::replace(relative.begin(), relative.end(), '\\', '/');
    for (const std::string &n : {relative, std::string(component.GetBuffer()) + "/" + relative})
      if (std::find(names.begin(), names.end(), n) == names.end())
        names.push_back(n);
  }
  return names;
}

// Why a member that exists cannot be read, as an error code and a message.
int reportUnreadableMember(Port::ZipFile::OpenResult why, int method, const std::string &member,
                           const char *archive) {
  switch (why) {
  case Port::ZipFile::IsDirectory:
    return EACCES; // as for a directory on disk: no message
  case Port::ZipFile::Unsupported:
    report(__LINE__)->issueError("Cannot read member '%s' of zipfile '%s': its compression method "
                                 "%d is not supported (only stored and deflated members are).\n",
                                 member.c_str(), archive, method);
    return ENOTSUP;
  case Port::ZipFile::Encrypted:
    report(__LINE__)->issueError("Cannot read member '%s' of zipfile '%s': it is encrypted.\n",
                                 member.c_str(), archive);
    return EACCES;
  default:
    report(__LINE__)->issueError(
        "Cannot read member '%s' of zipfile '%s': the archive is damaged at this member.\n",
        member.c_str(), archive);
    return EIO;
  }
}

// Reads a file that does not exist from a zip archive standing in for one of its directories.
// A member that is not there gives error 2 without a word (callers probe with it); one that is
// there but cannot be read gives its own code and a message.
Opened openFromArchive(const char *name) {
  Opened r;
  Port::FileName given(name);
  const Port::StringBase<char> absolute = given.GetAbsolutePath(true);
  Port::FileName work(absolute.GetBuffer());
  Port::StringBase<char> archiveName, standIn, component;
  for (;;) {
    component = work.PopPathEnd();
    if (component.IsEmpty()) {
      Port_FileImp::seterror(ENOENT);
      return r;
    }
    // The remaining path without its mount: the archive is taken on the current drive.
    Port::StringBase<char> candidate = work.GetPath();
    candidate += component;
    standIn = candidate;
    standIn += "\\";
    candidate += ".zip";
    platform::FileStatus st;
    if (platform::stat(candidate, &st) && st.isRegular) {
      archiveName = candidate;
      break;
    }
  }
  boost::shared_ptr<Port::ZipFile> archive = Port::ZipFile::GetInstance(archiveName);
  if (!archive) {
    report(__LINE__)->issueInternal("Port_FileImp: Trying to read file '%s' from withing zipfile "
                                    "'%s',but zipfile could not be opened\n",
                                    name, archiveName.GetBuffer());
    Port_FileImp::seterror(ENOENT);
    return r;
  }
  boost::shared_ptr<Port::ZipFile> member;
  for (const std::string &candidate : memberNames(name, absolute, standIn, component)) {
    Port::ZipFile::OpenResult why = Port::ZipFile::NotFound;
    int method = 0;
    member = archive->OpenMember(candidate.c_str(), &why, &method);
    if (member)
      break;
    if (why != Port::ZipFile::NotFound) {
      Port_FileImp::seterror(
          reportUnreadableMember(why, method, candidate, archiveName.GetBuffer()));
      return r;
    }
  }
  if (!member) {
    Port_FileImp::seterror(ENOENT);
    return r;
  }
  r.desc = member;
  char first = 0, second = 0;
  if (UT_IO_DEVICE::iscompressed(r.desc, second, first)) {
    r.compressed = true;
    r.first = first;
    r.second = second;
    r.ok = true;
    return r;
  }
  if (r.desc.lseek(0, Port::SeekType::SeekSet()) != 0) {
    report(__LINE__)->issueInternal(
        "Port_FileImp: Could not seek to the beginining of uncompressed file '%s' within zipfile "
        "'%s'\n",
        name, archiveName.GetBuffer());
    Port_FileImp::seterror(ENOENT);
    return r;
  }
  r.ok = true;
  return r;
}

Opened openDescriptor(const char *name, unsigned access, bool truncate) {
  Opened r;
  const unsigned field = access & UT_STREAM::VersionMask & ~unsigned(UT_STREAM::StartEmpty);
  const bool startEmpty =
      (access & UT_STREAM::StartEmpty) || field == 0x10 || field == 0x20 || field == 0x50;
  if (startEmpty)
    truncate = true;
  const Mode mode = (access & UT_STREAM::Append)  ? Mode::Append
                    : (access & UT_STREAM::Write) ? Mode::Write
                                                  : Mode::Read;
  r.access = access;
  if (access & UT_STREAM::Compressed) {
    r.compressed = true;
    chooseFormat(access, field, r);
  }
  int flags = platform::O_BINARY_ | platform::O_CREAT_ |
              (r.compressed && mode == Mode::Append ? platform::O_RDWR_ : platform::O_WRONLY_);
  // Emptied in place: links, hard links, mode and owner stay, and the file's own permission
  // decides whether it may be emptied.
  const bool emptyInPlace = truncate && mode == Mode::Write;
  if (emptyInPlace)
    flags |= platform::O_TRUNC_;
  // The file itself opened with the given flags: the result, or the error of the open.
  auto openWith = [&](int how) {
    const int fd = platform::open(name, how, 0666);
    if (fd < 0) {
      Port_FileImp::seterror(errno);
      return r;
    }
    r.desc = fd;
    r.ok = true;
    return r;
  };
  platform::FileStatus st;
  const bool exists = platform::stat(name, &st);
  if (exists && st.isDirectory) {
    Port_FileImp::seterror(EACCES); // a directory where a file is expected
    return r;
  }
  if (exists && !st.isRegular) {
    // A device or pipe: opened as it is, never truncated, probed or looked for in an archive.
    return openWith(mode == Mode::Read ? platform::O_BINARY_ | platform::O_RDONLY_
                                       : platform::O_BINARY_ | platform::O_WRONLY_);
  }
  if (!exists) {
    if (mode == Mode::Read) {
      Opened z = openFromArchive(name);
      z.access = access | (z.compressed ? unsigned(UT_STREAM::Compressed) : 0u);
      if (!z.compressed)
        z.access &= ~unsigned(UT_STREAM::Compressed);
      return z;
    }
    return openWith(flags);
  }
  if (emptyInPlace) {
    // Nothing of the old content is kept, so nothing of it is examined.
    return openWith(flags);
  }
  if (startEmpty) {
    // The file should have started empty but is still there.
    Port_FileImp::seterror(EEXIST);
    return r;
  }
  int fd = platform::open(name, platform::O_BINARY_ | platform::O_RDONLY_);
  if (fd < 0) {
    Port_FileImp::seterror(errno);
    return r;
  }
  Port::FileDesc probe(fd);
  char first = 0, second = 0;
  const bool compressedFile = UT_IO_DEVICE::iscompressed(probe, second, first);
  if (compressedFile && mode == Mode::Append && !UT_IO_DEVICE::is_new_format(first)) {
    // A packed stream ends with its end mark: data after it would never be read.
    probe.close();
    report(__LINE__)->issueError("Port_FileImp: Classic compressed files cannot be appended to. "
                                 "Cannot open file '%s'.\n",
                                 name);
    Port_FileImp::seterror(EINVAL);
    return r;
  }
  if (mode != Mode::Write) {
    // Reading and appending follow the file: a compressed file is read or extended in its own
    // format, a plain one stays plain.
    const long size = probe.lseek(0, Port::SeekType::SeekEnd());
    if (compressedFile) {
      r.compressed = true;
      r.access |= UT_STREAM::Compressed;
      r.first = first;
      r.second = second;
      flags = platform::O_BINARY_ | platform::O_CREAT_ | platform::O_RDWR_;
    } else if (mode == Mode::Read || size > 0) {
      r.compressed = false;
      r.access &= ~unsigned(UT_STREAM::Compressed);
      flags = platform::O_BINARY_ | platform::O_CREAT_ | platform::O_WRONLY_;
    }
    // A classic file is read from behind its 9-byte header.
    probe.lseek(compressedFile && !UT_IO_DEVICE::is_new_format(first) ? 9 : 0,
                Port::SeekType::SeekSet());
  }
  if (mode == Mode::Read) {
    if (!compressedFile && probe.lseek(0, Port::SeekType::SeekSet()) != 0) {
      report(__LINE__)->issueInternal("Port_FileImp: Can not seek to the beginning of of "
                                      "uncompressed file. Cannot open file '%s'.\n",
                                      name);
      probe.close();
      Port_FileImp::seterror(errno ? errno : EIO);
      return r;
    }
    r.desc = probe;
    r.ok = true;
    return r;
  }
  probe.close();
  return openWith(flags);
}

// Takes an entry out of the table under the lock; the stream is flushed and the descriptor
// closed by the caller, outside it.
struct Released {
  UT_STREAM *stream = nullptr;
  Port::FileDesc desc;
  char *name = nullptr;
  bool found = false;
  bool last = false;
};

Released takeEntry(UT_STREAM *stream, bool whole) {
  Released r;
  if (!g_state || !stream)
    return r;
  Port_ThrGuard<Port_ThrMutex> guard(g_state->tableLock);
  int i = findEntry(stream);
  if (i < 0)
    return r;
  r.found = true;
  Entry &e = g_state->table[i];
  if (--e.count > 0 && !whole)
    return r;
  r.last = true;
  r.stream = e.stream;
  r.desc = e.desc;
  r.name = e.name;
  e.stream = nullptr;
  e.name = nullptr;
  e.count = 0;
  e.desc = -1;
  return r;
}

void finishRelease(Released &r) {
  UT_STREAMIMP *imp = r.stream->getImp();
  if (imp) {
    if (imp->isWriteStream())
      imp->flush(false);
    imp->destroy_me(); // a packed stream writes its end before the descriptor closes
    imp->m_registered = false;
    imp->m_fd = -1;
  }
  r.desc.close();
  delete[] r.name;
  if (imp && imp->m_createdByTable)
    delete r.stream;
}

bool writableDirectory(const char *dir) {
  return dir && *dir && Port_File::isdir(dir) && Port_File::canwrite_dir(dir);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Set-up and tear-down

void Port_FileImp::initialize() {
  g_traceOpens = Port_Env::GetEnv("QEL_FOPENS") != nullptr;
  g_memUsage = Port_Env::GetEnv("QEL_MEMUSAGE") != nullptr;
  if (g_memUsage)
    g_memBase = static_cast<uint32_t>(UT_MEMORY::getMemoryUsage());
  g_state = new State;

  // The temporary directory must exist and be writable: a name that does not exist is never
  // taken, since every temporary name would then point into nothing.
  const char *candidates[] = {Port_Env::GetEnv("TEMP"),
                              Port_Env::GetEnv("TMP"),
                              "C:\\TEMP",
                              "C:\\TMP",
                              Port_Env::GetEnv("TMPDIR"),
                              "/tmp"};
  for (const char *c : candidates) {
    if (writableDirectory(c)) {
      g_state->tempDir = copyText(c);
      break;
    }
  }
  if (!g_state->tempDir) {
    Port::PrintError("Environment variable 'TEMP' not defined or points at a non-existant "
                     "directory or a non-writable directory.  Please define it to a directory "
                     "location for temporary files.\n");
    platform::ExitProcess(19);
  }
  g_state->cout = new UT_STREAM(Port::FileDesc(1), UT_STREAM::Write, kPlainBufferSize);
  g_state->cerr = new UT_STREAM(Port::FileDesc(2), UT_STREAM::Write, kPlainBufferSize);
  g_state->cin = new UT_STREAM(Port::FileDesc(0), UT_STREAM::Read, kPlainBufferSize);
  for (UT_STREAM *s : {g_state->cout, g_state->cerr, g_state->cin}) {
    s->setRandomAccess(0);
    s->getImp()->m_registered = false;
  }
}

void Port_FileImp::finalize() {
  if (!g_state)
    return;
  if (g_memUsage) {
    const uint32_t now = static_cast<uint32_t>(UT_MEMORY::getMemoryUsage());
    char text[96];
    std::snprintf(text, sizeof text, "QEL_MEMUSAGE - process used %u bytes of memory\n",
                  now - g_memBase);
    *g_state->cout << text;
    g_state->cout->flush();
  }
  delete g_state->cout;
  delete g_state->cerr;
  delete g_state->cin;
  g_state->cout = g_state->cerr = g_state->cin = nullptr;
  if (Port_FileImpTsd *tsd = g_state->tsd.get()) {
    delete[] tsd->tmpName;
    tsd->tmpName = nullptr;
  }
  for (Entry &e : g_state->table) {
    if (!e.stream)
      continue;
    Released r;
    r.stream = e.stream;
    r.desc = e.desc;
    r.name = e.name;
    e.stream = nullptr;
    e.name = nullptr;
    e.desc = -1;
    e.count = 0;
    finishRelease(r);
  }
  for (int i = 0; i < g_state->tempCount; ++i) {
    platform::unlink(g_state->tempNames[i]);
    delete[] g_state->tempNames[i];
  }
  delete[] g_state->tempDir;
  State *dying = g_state;
  g_state = nullptr;
  delete dying;
}

// ---------------------------------------------------------------------------------------------
// The open-file table

UT_STREAM *Port_FileImp::add_ofile(const char *name, UT_STREAM::Access access, UT_STREAM *stream,
                                   unsigned char truncate) {
  if (!g_state) {
    seterror(EBADF);
    return nullptr;
  }
  if (stream && stream->getImp() && static_cast<int>(stream->getImp()->m_fd) >= 0) {
    {
      Port_ThrGuard<Port_ThrMutex> guard(g_state->tableLock);
      int i = findEntry(stream);
      if (i >= 0) {
        ++g_state->table[i].count;
        stream->getImp()->m_registered = true;
        return stream;
      }
    }
    seterror(EACCES); // the stream reads a descriptor the table does not know
    return nullptr;
  }
  if (stream && !stream->getImp()) {
    seterror(EINVAL);
    return nullptr;
  }
  if (!name || !*name) {
    seterror(ENOENT);
    return nullptr;
  }
  if (stream)
    access = stream->getImp()->m_access;
  bool room;
  {
    Port_ThrGuard<Port_ThrMutex> guard(g_state->tableLock);
    room = freeEntry() >= 0;
  }
  if (!room) {
    reportTableFull(name);
    seterror(EMFILE);
    return nullptr;
  }
  Opened opened = openDescriptor(name, access, truncate != 0);
  if (!opened.ok)
    return nullptr;
  UT_STREAM *result = stream;
  bool full = false;
  {
    Port_ThrGuard<Port_ThrMutex> guard(g_state->tableLock);
    int i = freeEntry();
    if (i < 0) {
      full = true;
    } else {
      access = static_cast<UT_STREAM::Access>(opened.access);
      // Compressed streams hand the codec whole records: 64000 bytes for the record codec.
      const int bufferSize = !opened.compressed                          ? kPlainBufferSize
                             : UT_IO_DEVICE::is_new_format(opened.first) ? 64000
                                                                         : 16384;
      if (!result) {
        result = new UT_STREAM(opened.desc, access, bufferSize);
        result->getImp()->m_createdByTable = true;
      } else {
        result->getImp()->attach(opened.desc, access);
        result->getImp()->setBufferSize(bufferSize);
      }
      if (opened.compressed) {
        result->getImp()->set_versions(opened.first, opened.second);
        result->getImp()->set_new_codec(UT_IO_DEVICE::is_new_format(opened.first));
      }
      result->getImp()->m_registered = true;
      Entry &e = g_state->table[i];
      e.stream = result;
      e.desc = opened.desc;
      e.name = copyText(name);
      e.count = 1;
    }
  }
  if (full) {
    opened.desc.close();
    reportTableFull(name);
    seterror(EMFILE);
    return nullptr;
  }
  // Append mode writes at the end, with or without the write bit.
  if (access & UT_STREAM::Append)
    result->seekend();
  if (opened.compressed)
    result->getImp()->prepareCompressed();
  if (g_traceOpens)
    report(__LINE__)->issueStatus("Open file \"%s\"\n", name);
  return result;
}

bool Port_FileImp::rm_ofile(UT_STREAM *stream) {
  Released r = takeEntry(stream, false);
  if (r.last)
    finishRelease(r);
  return r.found;
}

void Port_FileImp::release(UT_STREAM *stream) {
  Released r = takeEntry(stream, true);
  if (r.last)
    finishRelease(r);
}

void Port_FileImp::dumpopenfiles() {
  std::vector<std::string> lines;
  if (g_state) {
    Port_ThrGuard<Port_ThrMutex> guard(g_state->tableLock);
    for (const Entry &e : g_state->table) {
      if (!e.stream)
        continue;
      const bool writeOnly = e.stream->getImp() && e.stream->getImp()->m_access == UT_STREAM::Write;
      lines.push_back(std::string(e.name) + (writeOnly ? " : write \n" : " : read  \n"));
    }
  }
  report(__LINE__)->issueStatus("Open files list:\n");
  for (const std::string &line : lines)
    report(__LINE__)->issueStatus("%s", line.c_str());
}

// ---------------------------------------------------------------------------------------------
// Per-thread data

Port_FileImpTsd *Port_FileImp::get_tsd() {
  if (!g_state)
    return &t_fallbackTsd;
  Port_FileImpTsd *tsd = g_state->tsd.get();
  if (!tsd) {
    tsd = new Port_FileImpTsd;
    g_state->tsd.set(tsd);
  }
  return tsd;
}

void Port_FileImp::deleteFunction(Port_FileImpTsd *tsd) { delete tsd; }

// The system's "name too long" is kept as the runtime's code, the one the name tests give.
void Port_FileImp::seterror(int code) {
  get_tsd()->error = code == ENAMETOOLONG ? NameTooLong : code;
}

int Port_FileImp::geterror() { return get_tsd()->error; }

// ---------------------------------------------------------------------------------------------
// Temporary names

const char *Port_FileImp::gettmpdir() { return g_state ? g_state->tempDir : nullptr; }

char *Port_FileImp::tmpnam(char *buf) {
  if (!g_state)
    return nullptr;
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "qel_%d_", platform::getpid());
  std::string name = platform::tempnam(g_state->tempDir, prefix);
  if (name.empty()) {
    seterror(errno ? errno : ENOENT);
    return nullptr;
  }
  for (char &c : name)
    if (c == '\\')
      c = '/';
  if (buf) {
    if (name.size() >= static_cast<size_t>(Port_File::MaxPathLength)) {
      seterror(NameTooLong);
      return nullptr;
    }
    std::strcpy(buf, name.c_str());
    return buf;
  }
  Port_FileImpTsd *tsd = get_tsd();
  delete[] tsd->tmpName;
  tsd->tmpName = copyText(name.c_str());
  return tsd->tmpName;
}

bool Port_FileImp::addtmpnam(const char *name) {
  if (!name || !g_state)
    return false;
  Port_ThrGuard<Port_ThrMutex> guard(g_state->tempLock);
  if (g_state->tempCount >= MaxTempNames)
    return false;
  g_state->tempNames[g_state->tempCount++] = copyText(name);
  return true;
}

bool Port_FileImp::remtmpnam(const char *name) {
  if (!name || !g_state)
    return false;
  Port_ThrGuard<Port_ThrMutex> guard(g_state->tempLock);
  for (int i = 0; i < g_state->tempCount; ++i) {
    if (std::strcmp(g_state->tempNames[i], name) == 0) {
      delete[] g_state->tempNames[i];
      g_state->tempNames[i] = g_state->tempNames[--g_state->tempCount];
      g_state->tempNames[g_state->tempCount] = nullptr;
      return true;
    }
  }
  return false;
}

UT_STREAM *Port_FileImp::getCout() { return g_state ? g_state->cout : nullptr; }
UT_STREAM *Port_FileImp::getCerr() { return g_state ? g_state->cerr : nullptr; }
UT_STREAM *Port_FileImp::getCin() { return g_state ? g_state->cin : nullptr; }
