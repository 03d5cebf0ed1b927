// Port_File.h - the file-system facade: files opened as buffered streams through the open-file
// table (at most 128 at a time), name tests, copies, removal, directories and temporary names.
//
// Results are bool unless stated; a failure leaves an errno-style code for the calling thread
// (geterror): 2 no such file, 13 wrong kind of object or read-only, 17 exists, 22 refused (a
// file onto itself, a source that is not a regular file, a name ending in "." or ".."), 38 name
// too long, otherwise the code of the failing call. Each operation also takes Port::FileName
// arguments, which are turned into their full names.
//
// Threads: any thread may call Port_File. The open-file table and the list of temporary names
// have a lock each; the error code and the tmpnam(nullptr) buffer are per thread. The streams it
// hands out, the three standard ones included, are used by one thread at a time.
#ifndef PORT_FILE_H
#define PORT_FILE_H

#include "Port_Export.h"

#include "Port_FileName.h"
#include "Port_MsgDispatcher.h"
#include "Port_StringBase.h"
#include "basutstream.h"

class PORT_API Port_File {
public:
  // The longest name the name tests accept.
  static constexpr int MaxPathLength = 260;

  static void initialize();
  static void finalize();

  // Null on failure. truncate empties an existing file opened for writing, in place: its links,
  // hard links and mode stay. A FIFO opens without waiting: for reading it ends at once when
  // nobody writes to it, for writing it fails (6) when nobody reads it.
  static UT_STREAM *open(const char *name, UT_STREAM::Access access, unsigned char truncate);
  // Attaches a stream made without a descriptor, with the stream's own access.
  static UT_STREAM *open(const char *name, UT_STREAM *stream, unsigned char truncate);
  static UT_STREAM *open(const Port::FileName &name, UT_STREAM::Access access,
                         unsigned char truncate);
  static UT_STREAM *open(const Port::FileName &name, UT_STREAM *stream, unsigned char truncate);
  // Releases one use of the stream's table entry; false when the stream is not in the table.
  static bool close(UT_STREAM *stream);

  // The copies and append take only regular files as sources and refuse (22) to write a file
  // onto itself, under whatever names (links, hard links). Holes of sparse files stay holes.
  static bool copy(const char *src, const char *dst);
  // Keeps the mode and times; the destination must be a regular file too.
  static bool copy_p(const char *src, const char *dst);
  static bool copy_p_v(const char *src, const char *dst);
  // An existing destination is replaced only by the move itself: a move that fails leaves both
  // names as they were. A file renamed onto itself stays (true); a link and the file it names
  // are refused (22); a directory replaces nothing and nothing replaces a directory (13).
  // Across file systems a regular file is copied with its mode and times and the source then
  // removed; anything else gives 18 there.
  static bool rename(const char *src, const char *dst);
  static bool namematch(const char *a, const char *b);
  // A read-only file is not removed (13); links are removed as links.
  static bool remove(const char *name);
  // Removes also a read-only file, without changing the mode of anything.
  static bool remove_f(const char *name);
  // Removes a tree without ever following a link below the name, and without changing the
  // working directory; stops at the first entry that stays (a read-only file gives 13). Names
  // ending in "." or "..", and roots, are refused (22).
  static bool remove_r(const char *name);
  static bool make_writable(const char *name);
  static bool append(const char *src, const char *dst);
  static bool appendline(const char *line, const char *name);
  static bool exist(const char *name);
  static bool exist_no_caching(const char *name);
  static bool isdir(const char *name);
  static bool isfile(const char *name);
  static bool canread(const char *name);
  // Asks the system for the calling user's permission and changes nothing; a name that does
  // not exist is writable when its directory is; a link to nothing is not (2).
  static bool canwrite(const char *name);
  static bool canread_dir(const char *name);
  static bool canwrite_dir(const char *name);
  // Size in bytes, -1 on failure.
  static long getsize(const char *name, UT_STREAM *stream = nullptr);
  static long getsize_noopen(const char *name);
  static bool getdatetime(const char *name, long &t);
  // The time as text without its final newline; the length written.
  static int asciidatetime(const long &t, char *buf);
  // "?" when the time cannot be read.
  static bool asciidatetime(const char *name, char *buf);
  static bool mkdir(const char *name, unsigned char recursive);
  static bool rmdir(const char *name);
  static bool chdir(const char *name);
  static bool chmod(const char *name, int mode);
  static void getcwd(char *buf, short size);
  static Port::StringBase<char> getcwd();
  // A fresh temporary name, not yet made, with a random part. buf holds at least MaxPathLength
  // bytes; a name that does not fit there with its terminating zero gives null and 38. With a
  // null buffer the name belongs to the calling thread until its next such call.
  static char *tmpnam(char *buf);
  // The file is deleted at the end. A relative name is kept with the working directory of the
  // call, so a later change of directory does not redirect the deletion.
  static bool addtmpnam(const char *name);
  static bool remtmpnam(const char *name);
  static const char *find(const char *name, const char **dirs, int count, char *out);
  static bool isabsolute(const char *name);
  static void makeunixpath(char *name);
  static void makedospath(char *name);
  static bool touchfile(const char *name);
  static int geterror();
  static void clearerror();
  static UT_STREAM *getCout();
  static UT_STREAM *getCerr();
  static UT_STREAM *getCin();
  static void dumpopenfiles();

  // The same with file-name objects.
  static bool copy(const Port::FileName &src, const Port::FileName &dst);
  static bool copy_p(const Port::FileName &src, const Port::FileName &dst);
  static bool copy_p_v(const Port::FileName &src, const Port::FileName &dst);
  static bool rename(const Port::FileName &src, const Port::FileName &dst);
  static bool namematch(const Port::FileName &a, const Port::FileName &b);
  static bool remove(const Port::FileName &name);
  static bool remove_f(const Port::FileName &name);
  static bool remove_r(const Port::FileName &name);
  static bool make_writable(const Port::FileName &name);
  static bool append(const Port::FileName &src, const Port::FileName &dst);
  static bool appendline(const char *line, const Port::FileName &name);
  static bool exist(const Port::FileName &name);
  static bool exist_no_caching(const Port::FileName &name);
  static bool isdir(const Port::FileName &name);
  static bool isfile(const Port::FileName &name);
  static bool canread(const Port::FileName &name);
  static bool canwrite(const Port::FileName &name);
  static bool canread_dir(const Port::FileName &name);
  static bool canwrite_dir(const Port::FileName &name);
  static long getsize(const Port::FileName &name, UT_STREAM *stream = nullptr);
  static long getsize_noopen(const Port::FileName &name);
  static bool getdatetime(const Port::FileName &name, long &t);
  static bool asciidatetime(const Port::FileName &name, char *buf);
  static bool mkdir(const Port::FileName &name, unsigned char recursive);
  static bool rmdir(const Port::FileName &name);
  static bool chdir(const Port::FileName &name);
  static bool chmod(const Port::FileName &name, int mode);
  static bool addtmpnam(const Port::FileName &name);
  static bool remtmpnam(const Port::FileName &name);
  static bool isabsolute(const Port::FileName &name);
  static bool touchfile(const Port::FileName &name);
};

// Counted initialiser of the open-file table: every unit that uses files holds one.
class PORT_API Port_FileInit {
public:
  Port_FileInit();
  ~Port_FileInit();
  Port_FileInit(const Port_FileInit &) = delete;
  Port_FileInit &operator=(const Port_FileInit &) = delete;

private:
  static int s_count;
};

static Port_FileInit s_portFileInit;

#endif
