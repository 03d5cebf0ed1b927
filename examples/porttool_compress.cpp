// porttool_compress.cpp - the compression modes of porttool:
//
//   porttool compress [-classic] [-f] [-q|-v] IN OUT   write IN to OUT as a compressed stream:
//                                         the record codec (format 3.7), or with -classic the
//                                         packed-data codec (format 2.1)
//   porttool expand [-f] [-q|-v] IN OUT   write the data of a compressed (or plain) IN to OUT
//   porttool format FILE                  say how FILE is stored
//
// "-" is standard input (IN, FILE) or standard output (OUT). An existing OUT is replaced only
// with -f, and never when it is IN itself under any name (a link, a hard link). OUT appears
// whole or not at all: the data go to a temporary file beside it, which is flushed to the disk
// and then renamed to OUT; an error, Ctrl+C or a termination request removes it and leaves the
// previous OUT as it was. A device or a pipe named as OUT is written directly.
//
// Progress, in steps of ten percent through Port::ProgressCallback, goes to standard error when
// that is a terminal or with -v, never with -q.
//
// Exit values: 0 done, 1 failed, 2 a wrong command line, 128 + the signal number after Ctrl+C
// (130), a hang-up (129) or a termination request (143).
#include "porttool.h"

#include "Port_File.h"
#include "Port_Halt.h"
#include "Port_MsgManData.h"
#include "Port_ProgressUpdate.h"
#include "basutio.h"
#include "basutstream.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}

// The signal that asked the copy to stop: SIGINT through the halt service, SIGTERM and SIGHUP
// here.
volatile std::sig_atomic_t s_stopSignal = 0;
void onInterrupt() { Port_Halt::SetHaltValue(2); }
extern "C" void onTerminate(int signal) { s_stopSignal = signal; }

bool stopRequested() {
  if (Port_Halt::CheckForHaltCmd() && s_stopSignal == 0)
    s_stopSignal = SIGINT;
  return s_stopSignal != 0;
}

class Progress : public Port::ProgressCallback {
public:
  int32_t UpdateProgress() override {
    std::fprintf(stderr, "%s: %u percent done.\n", GetProgressLabel().GetBuffer(),
                 GetPercentDone());
    return 0;
  }
};

struct Options {
  bool classic = false;
  bool force = false;
  bool quiet = false;
  bool verbose = false;
  std::vector<const char *> names;
};

// A file that is removed when the object dies, unless it was kept.
class TempFile {
public:
  TempFile() = default;
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  ~TempFile() {
    if (!m_name.empty())
      std::remove(m_name.c_str());
  }
  // Makes a new empty file in dir named after base; false, with errno, when none can be made.
  bool create(const fs::path &dir, const std::string &base) {
    std::random_device seed;
    std::mt19937 random(seed());
    const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = "." + base + ".";
      for (int i = 0; i < 8; ++i)
        name += digits[random() % 36];
      name += ".tmp";
      const std::string path = (dir / name).string();
      // "x": made here and now, never an existing file or a link planted under the name.
      if (std::FILE *f = std::fopen(path.c_str(), "wbx")) {
        std::fclose(f);
        m_name = path;
        return true;
      }
      if (errno != EEXIST)
        return false;
    }
    return false;
  }
  const char *name() const { return m_name.c_str(); }
  void keep() { m_name.clear(); }

private:
  std::string m_name;
};

// Flushes the file's data to the disk; the descriptor of any open of the file will do.
bool syncFile(const char *name, int flags = O_RDONLY) {
  const int fd = ::open(name, flags | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// Copies standard input to a new temporary file: compressed input must be looked at and
// positioned in, which a pipe does not allow. 0, or an errno-style code.
int spoolStandardInput(TempFile &spool) {
  std::error_code ec;
  fs::path dir = fs::temp_directory_path(ec);
  if (ec)
    dir = "/tmp";
  if (!spool.create(dir, "porttool-stdin"))
    return errno ? errno : EIO;
  std::FILE *out = std::fopen(spool.name(), "wb");
  if (!out)
    return errno;
  std::vector<char> buf(1 << 16);
  int error = 0;
  for (;;) {
    const size_t got = std::fread(buf.data(), 1, buf.size(), stdin);
    if (got > 0 && std::fwrite(buf.data(), 1, got, out) != got)
      error = errno ? errno : EIO;
    if (got < buf.size() || error || stopRequested())
      break;
  }
  if (!error && std::ferror(stdin))
    error = EIO;
  if (std::fclose(out) != 0 && !error)
    error = errno ? errno : EIO;
  return error;
}

enum class Copied { All, ReadFailed, WriteFailed, Stopped };

// Copies all of in to out.
Copied copy(UT_STREAM *in, UT_STREAM *out, long size, const char *label, bool showProgress) {
  Progress progress;
  progress.SetProgressLabel(label);
  progress.SetUpdateThreshold(10);
  // Progress counts KiB, so that large files stay inside the callback's range.
  progress.SetNextTaskMinMaxLimits(0, static_cast<unsigned>(size > 0 ? size / 1024 : 0));
  std::vector<unsigned char> buf(1 << 16);
  unsigned long done = 0;
  for (;;) {
    if (stopRequested())
      return Copied::Stopped;
    const unsigned got = in->read(buf.data(), static_cast<unsigned>(buf.size()));
    if (got == 0)
      break;
    // A failed write may show only in the stream's error, when its buffer goes out.
    if (out->write(buf.data(), got) != got || out->geterror() != 0)
      return Copied::WriteFailed;
    done += got;
    if (size > 0 && showProgress)
      progress.UpdateTaskProgress(static_cast<unsigned>(done / 1024));
  }
  if (stopRequested())
    return Copied::Stopped;
  if (in->geterror() != 0)
    return Copied::ReadFailed;
  return out->flush() == 0 ? Copied::All : Copied::WriteFailed;
}

// The reason of a failed write on out: its own error, else the file layer's.
int writeError(UT_STREAM *out) {
  const int code = out ? out->geterror() : 0;
  return code != 0 ? code : Port_File::geterror();
}

int stoppedExit() { return 128 + static_cast<int>(s_stopSignal); }

// Copies standard input's stand-in or a named file to standard output's stand-in or a named
// file, compressing or not.
int transform(bool compress, const Options &opt) {
  const char *inName = opt.names[0];
  const char *outName = opt.names[1];
  const bool fromStdin = std::strcmp(inName, "-") == 0;
  const bool toStdout = std::strcmp(outName, "-") == 0;
  std::error_code ec;
  const fs::file_status target = toStdout ? fs::file_status() : fs::status(outName, ec);
  const bool outExists = !toStdout && fs::exists(target);
  if (!fromStdin && outExists && fs::equivalent(inName, outName, ec)) {
    report(__LINE__)->issueError("\"%s\" and \"%s\" are the same file.\n", inName, outName);
    return ExitFailed;
  }
  if (outExists && fs::is_directory(target)) {
    report(__LINE__)->issueError("Cannot write \"%s\": it is a directory.\n", outName);
    return ExitFailed;
  }
  // A device or a pipe is written as it is: there is nothing to replace.
  const bool direct = outExists && !fs::is_regular_file(target);
  if (outExists && !direct && !opt.force) {
    report(__LINE__)->issueError("\"%s\" already exists; -f overwrites it.\n", outName);
    return ExitFailed;
  }

  if (toStdout && compress && !opt.force && ::isatty(1)) {
    report(__LINE__)->issueError(
        "Compressed data are not written to a terminal; -f writes them all the same.\n");
    return ExitFailed;
  }

  std::signal(SIGTERM, onTerminate);
  std::signal(SIGHUP, onTerminate);
  // A reader that went away (of the progress, of standard output) is a failed write, which
  // removes the temporary file, rather than the end of the process.
  std::signal(SIGPIPE, SIG_IGN);
  Port_Halt::SetHandler(&onInterrupt);
  Port_Halt::Start();

  TempFile spool;
  if (fromStdin) {
    const int error = spoolStandardInput(spool);
    if (stopRequested()) {
      report(__LINE__)->issueError("Interrupted: \"%s\" was not written.\n",
                                   toStdout ? "standard output" : outName);
      return stoppedExit();
    }
    if (error != 0) {
      report(__LINE__)->issueError("Cannot read standard input: %s.\n", reasonText(error));
      return ExitFailed;
    }
    inName = spool.name();
  }
  const char *shownIn = fromStdin ? "standard input" : inName;

  UT_STREAM *in = Port_File::open(inName, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading: %s.\n", shownIn,
                                 reasonText(Port_File::geterror()));
    return ExitFailed;
  }
  const long size = Port_File::getsize(inName, in);

  // The file written: OUT itself when it is a device or a pipe, else a new file beside OUT (or
  // in the temporary directory for standard output).
  TempFile temp;
  if (!direct) {
    fs::path dir;
    std::string base = "porttool-stdout";
    if (toStdout) {
      dir = fs::temp_directory_path(ec);
      if (ec)
        dir = "/tmp";
    } else {
      dir = fs::path(outName).parent_path();
      if (dir.empty())
        dir = ".";
      base = fs::path(outName).filename().string();
    }
    if (!temp.create(dir, base)) {
      const int error = errno;
      Port_File::close(in);
      report(__LINE__)->issueError("Cannot open \"%s\" for writing: %s.\n",
                                   toStdout ? "standard output" : outName, reasonText(error));
      return ExitFailed;
    }
  }
  const char *written = direct ? outName : temp.name();
  if (compress && opt.classic)
    UT_IO_DEVICE::DisableNewCompression();
  const unsigned access =
      compress ? UT_STREAM::Write | UT_STREAM::Compressed : unsigned(UT_STREAM::Write);
  UT_STREAM *out = Port_File::open(written, static_cast<UT_STREAM::Access>(access), 1);
  if (!out) {
    const int error = Port_File::geterror();
    Port_File::close(in);
    report(__LINE__)->issueError("Cannot open \"%s\" for writing: %s.\n",
                                 toStdout ? "standard output" : outName, reasonText(error));
    return ExitFailed;
  }

  const bool showProgress = opt.verbose || (!opt.quiet && ::isatty(2));
  const Copied copied = copy(in, out, size, compress ? "compress" : "expand", showProgress);
  Port_File::close(in);
  int error = copied == Copied::WriteFailed ? writeError(out) : 0;
  // Closing writes what the codec still holds (the last record, the end mark).
  const bool closed = Port_File::close(out);
  if (copied == Copied::All && !closed)
    error = Port_File::geterror();
  if (copied == Copied::All && closed && !direct && !syncFile(written))
    error = errno ? errno : EIO;
  if (copied == Copied::Stopped) {
    report(__LINE__)->issueError("Interrupted: \"%s\" was not written.\n",
                                 toStdout ? "standard output" : outName);
    return stoppedExit();
  }
  if (copied == Copied::ReadFailed) {
    if (compress)
      report(__LINE__)->issueError("Reading \"%s\" failed: nothing was written.\n", shownIn);
    else
      report(__LINE__)->issueError("\"%s\" is damaged: its data could not be read completely.\n",
                                   shownIn);
    return ExitFailed;
  }
  if (copied == Copied::WriteFailed || !closed || error != 0) {
    report(__LINE__)->issueError("Could not write \"%s\": %s.\n",
                                 toStdout ? "standard output" : outName, reasonText(error));
    return ExitFailed;
  }
  if (direct)
    return ExitDone;

  if (toStdout) {
    std::FILE *from = std::fopen(written, "rb");
    bool ok = from != nullptr;
    std::vector<char> buf(1 << 16);
    while (ok) {
      const size_t got = std::fread(buf.data(), 1, buf.size(), from);
      if (got > 0 && std::fwrite(buf.data(), 1, got, stdout) != got)
        ok = false;
      if (got < buf.size())
        break;
    }
    ok = ok && !std::ferror(from) && std::fflush(stdout) == 0;
    if (from)
      std::fclose(from);
    if (!ok) {
      report(__LINE__)->issueError("Could not write \"%s\": %s.\n", "standard output",
                                   reasonText(errno));
      return ExitFailed;
    }
    return ExitDone;
  }
  if (!Port_File::rename(written, outName)) {
    report(__LINE__)->issueError("Could not write \"%s\": %s.\n", outName,
                                 reasonText(Port_File::geterror()));
    return ExitFailed;
  }
  temp.keep();
  // The new name itself reaches the disk with its directory.
  fs::path dir = fs::path(outName).parent_path();
  syncFile(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  return ExitDone;
}

int showFormat(const char *name) {
  TempFile spool;
  const char *shown = name;
  if (std::strcmp(name, "-") == 0) {
    const int error = spoolStandardInput(spool);
    if (error != 0) {
      report(__LINE__)->issueError("Cannot read standard input: %s.\n", reasonText(error));
      return ExitFailed;
    }
    name = spool.name();
    shown = "-";
  }
  UT_STREAM *in = Port_File::open(name, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading: %s.\n", shown,
                                 reasonText(Port_File::geterror()));
    return ExitFailed;
  }
  const char first = in->get_huf_version(), second = in->get_pak_version();
  if (!in->is_compressed())
    report(__LINE__)->issueStatus("%s: plain file.\n", shown);
  else if (UT_IO_DEVICE::is_new_format(first))
    report(__LINE__)->issueStatus("%s: compressed records, format %c.%c.\n", shown, first, second);
  else
    report(__LINE__)->issueStatus("%s: packed data, format %c.%c.\n", shown, first, second);
  Port_File::close(in);
  return ExitDone;
}
} // namespace

// argv[0] is the mode.
int portToolCompress(int argc, char **argv) {
  const char *mode = argv[0];
  const bool compress = std::strcmp(mode, "compress") == 0;
  const bool format = std::strcmp(mode, "format") == 0;
  Options opt;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char *word = argv[i];
    if (!options || word[0] != '-' || word[1] == '\0') {
      opt.names.push_back(word);
      continue;
    }
    if (std::strcmp(word, "--") == 0)
      options = false;
    else if (is_helpsw(word) || std::strcmp(word, "--help") == 0) {
      showHelp();
      return ExitDone;
    } else if (compress && std::strcmp(word, "-classic") == 0)
      opt.classic = true;
    else if (!format && (std::strcmp(word, "-f") == 0 || std::strcmp(word, "--force") == 0))
      opt.force = true;
    else if (!format && (std::strcmp(word, "-q") == 0 || std::strcmp(word, "--quiet") == 0))
      opt.quiet = true, opt.verbose = false;
    else if (!format && (std::strcmp(word, "-v") == 0 || std::strcmp(word, "--verbose") == 0))
      opt.verbose = true, opt.quiet = false;
    else
      return usageError("%s: unknown option \"%s\"", mode, word);
  }
  if (format) {
    if (opt.names.size() != 1)
      return usageError("format wants one file name");
    return showFormat(opt.names[0]);
  }
  if (opt.names.size() != 2)
    return usageError("%s wants an input and an output (\"-\" for standard input or output)", mode);
  return transform(compress, opt);
}
