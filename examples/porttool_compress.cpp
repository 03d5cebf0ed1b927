// porttool_compress.cpp - the compression modes of porttool:
//
//   porttool compress [-classic] IN OUT   write IN to OUT as a compressed stream: the record
//                                         codec (format 3.7), or with -classic the packed-data
//                                         codec (format 2.1)
//   porttool expand IN OUT                write the data of a compressed (or plain) IN to OUT
//   porttool format FILE                  say how FILE is stored
//
// Long copies report their progress in steps of ten percent through Port::ProgressCallback.
#include "Port_File.h"
#include "Port_MsgManData.h"
#include "Port_ProgressUpdate.h"
#include "basutio.h"
#include "basutstream.h"

#include <cstring>
#include <vector>

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}

class Progress : public Port::ProgressCallback {
public:
  int32_t UpdateProgress() override {
    report(__LINE__)->issueStatus("%s: %u percent done.\n", GetProgressLabel().GetBuffer(),
                                  GetPercentDone());
    return 0;
  }
};

// Copies all of in to out; false after a read or write error.
bool copy(UT_STREAM *in, UT_STREAM *out, long size, const char *label) {
  Progress progress;
  progress.SetProgressLabel(label);
  progress.SetUpdateThreshold(10);
  // Progress counts KiB, so that large files stay inside the callback's range.
  progress.SetNextTaskMinMaxLimits(0, static_cast<unsigned>(size > 0 ? size / 1024 : 0));
  std::vector<unsigned char> buf(1 << 16);
  unsigned long done = 0;
  for (;;) {
    const unsigned got = in->read(buf.data(), static_cast<unsigned>(buf.size()));
    if (got == 0)
      break;
    if (out->write(buf.data(), got) != got)
      return false;
    done += got;
    if (size > 0)
      progress.UpdateTaskProgress(static_cast<unsigned>(done / 1024));
  }
  return in->geterror() == 0 && out->flush() == 0;
}

int compressFile(const char *inName, const char *outName, bool classic) {
  UT_STREAM *in = Port_File::open(inName, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", inName);
    return 1;
  }
  const long size = Port_File::getsize(inName, in);
  if (classic)
    UT_IO_DEVICE::DisableNewCompression();
  UT_STREAM *out = Port_File::open(outName, UT_STREAM::Write | UT_STREAM::Compressed, 1);
  if (!out) {
    Port_File::close(in);
    report(__LINE__)->issueError("Cannot open \"%s\" for writing.\n", outName);
    return 1;
  }
  const bool ok = copy(in, out, size, "compress");
  Port_File::close(in);
  const bool closed = Port_File::close(out);
  if (!ok || !closed) {
    report(__LINE__)->issueError("Could not write \"%s\" completely.\n", outName);
    return 1;
  }
  return 0;
}

int expandFile(const char *inName, const char *outName) {
  UT_STREAM *in = Port_File::open(inName, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", inName);
    return 1;
  }
  const long size = Port_File::getsize(inName, in);
  UT_STREAM *out = Port_File::open(outName, UT_STREAM::Write, 1);
  if (!out) {
    Port_File::close(in);
    report(__LINE__)->issueError("Cannot open \"%s\" for writing.\n", outName);
    return 1;
  }
  const bool ok = copy(in, out, size, "expand");
  Port_File::close(in);
  Port_File::close(out);
  if (!ok) {
    report(__LINE__)->issueError("\"%s\" is damaged: its data could not be read completely.\n",
                                 inName);
    return 1;
  }
  return 0;
}

int showFormat(const char *name) {
  UT_STREAM *in = Port_File::open(name, UT_STREAM::Read, 0);
  if (!in) {
    report(__LINE__)->issueError("Cannot open \"%s\" for reading.\n", name);
    return 1;
  }
  const char first = in->get_huf_version(), second = in->get_pak_version();
  if (!in->is_compressed())
    report(__LINE__)->issueStatus("%s: plain file.\n", name);
  else if (UT_IO_DEVICE::is_new_format(first))
    report(__LINE__)->issueStatus("%s: compressed records, format %c.%c.\n", name, first, second);
  else
    report(__LINE__)->issueStatus("%s: packed data, format %c.%c.\n", name, first, second);
  Port_File::close(in);
  return 0;
}
} // namespace

// argv[0] is the mode. The exit value: 0 done, 1 failed, 2 wrong arguments.
int portToolCompress(int argc, char **argv) {
  const char *mode = argv[0];
  if (std::strcmp(mode, "format") == 0 && argc == 2)
    return showFormat(argv[1]);
  if (std::strcmp(mode, "expand") == 0 && argc == 3)
    return expandFile(argv[1], argv[2]);
  if (std::strcmp(mode, "compress") == 0 && argc == 3)
    return compressFile(argv[1], argv[2], false);
  if (std::strcmp(mode, "compress") == 0 && argc == 4 && std::strcmp(argv[1], "-classic") == 0)
    return compressFile(argv[2], argv[3], true);
  report(__LINE__)->issueError(
      "Usage: porttool compress [-classic] IN OUT | expand IN OUT | format FILE\n");
  return 2;
}
