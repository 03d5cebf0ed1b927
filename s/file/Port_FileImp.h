// Port_FileImp.h - the process-wide state behind Port_File: the open-file table, the list of
// temporary names, the temporary directory, the standard streams and the per-thread data.
#ifndef PORT_FILEIMP_H
#define PORT_FILEIMP_H

#include "Port_FileDesc.h"
#include "basutstream.h"

#include <cstdint>

// One per thread: the buffer of tmpnam(nullptr) and the last error code.
struct Port_FileImpTsd {
  Port_FileImpTsd() : tmpName(nullptr), error(0) {}
  ~Port_FileImpTsd() { delete[] tmpName; }
  char *tmpName;
  int32_t error;
};

class Port_FileImp {
public:
  static const int TableSize = 128;
  static const int MaxTempNames = 128;
  // The runtime's ENAMETOOLONG, the code for every name too long.
  static const int NameTooLong = 38;

  static void initialize();
  static void finalize();

  // Opens through the table (a new stream, or the given one receives the descriptor); null on
  // failure with the thread's error code set.
  static UT_STREAM *add_ofile(const char *name, UT_STREAM::Access access, UT_STREAM *stream,
                              unsigned char truncate);
  // Releases one use of the stream's entry; false when the stream is not in the table.
  static bool rm_ofile(UT_STREAM *stream);
  // A registered stream is being destroyed: its entry is released whatever its count.
  static void release(UT_STREAM *stream);
  static void dumpopenfiles();

  static Port_FileImpTsd *get_tsd();
  static void deleteFunction(Port_FileImpTsd *tsd);
  static void seterror(int code);
  static int geterror();

  static char *tmpnam(char *buf);
  static bool addtmpnam(const char *name);
  static bool remtmpnam(const char *name);
  static const char *gettmpdir();

  static UT_STREAM *getCout();
  static UT_STREAM *getCerr();
  static UT_STREAM *getCin();
};

#endif
