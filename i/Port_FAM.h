// Port_FAM.h - the file alteration monitor: a tool names files to watch and is called back, on
// a background thread, when one of them changes in size or in its attributes.
//
// Threads: a started monitor runs one thread of its own, which waits on change notifications
// for the watched files' directories and calls the callback there. The operations of Port::FAM
// may be called from any thread while it runs, except that a monitor must not be destroyed
// from inside its own callback. Port::File objects are not shared between threads.
//
// Failures throw Port::FAMException.
#ifndef PORT_FAM_H
#define PORT_FAM_H

#include "Port_Export.h"

#include "Port_Exception.h"
#include "Port_StringBase.h"

#include <boost/shared_ptr.hpp>

#include <cstdint>

namespace Port {

// Called on the monitor's thread with the name of a file that changed, as it was given.
class PORT_API FileCallback {
public:
  virtual void FileChanged(const StringBase<char> &name) = 0;
  virtual ~FileCallback() = default;
};

// The standard attribute record of a file: attributes (1 read-only, 0x10 directory, 0x20
// archive: any other file), times as 100-ns intervals since 1601 (creation is the last status
// change here), and the size in two halves.
struct PORT_API FileState {
  uint32_t attributes;
  uint64_t creationTime;
  uint64_t lastAccessTime;
  uint64_t lastWriteTime;
  uint32_t sizeHigh;
  uint32_t sizeLow;
};

// A watched file: its name, what is watched of it, and its state as last reported and as last
// read.
class PORT_API File {
public:
  enum MonitorFlags : uint32_t { WatchSize = 2, WatchAttributes = 4 };

  // Reads the state; throws Port::FAMException when the file's state cannot be read.
  File(const StringBase<char> &name, unsigned int flags);

  bool Exist() const;
  bool Readable() const;
  // The mount and directory part of the file's absolute path.
  const StringBase<char> &GetDirectoryPath() const { return m_directory; }
  const StringBase<char> &GetName() const { return m_name; }
  // The change notification filters for what is watched: 4 attributes, 8 size.
  unsigned int GetMonitorFlags() const;
  // The state of the file now; throws Port::FAMException when it cannot be read.
  FileState GetState() const;
  // The current state becomes the one last reported.
  void SetPrevState();
  // Reads the current state (throws as GetState).
  void SetCurrState();
  // Forgets any difference: the previous state becomes the current one.
  void ResetState();
  // The watched properties differ between the previous and the current state (times never
  // count).
  bool IsModified() const;
  // The monitor keeps the notifications of a directory for all of its files; these do
  // nothing and return true.
  bool StartMonitor();
  bool ExitMonitor();
  bool SuspendMonitor();
  bool ResumeMonitor();
  // Equal names, byte for byte.
  bool operator==(const File &other) const;
  // Writes the file's record to standard output.
  void Dump() const;

private:
  friend class FAMImpl;
  int m_handle; // the notification of the file's directory, -1 while there is none
  FileState m_prev;
  FileState m_curr;
  StringBase<char> m_name;
  uint32_t m_flags;
  StringBase<char> m_directory;
};

class FAMImpl;

class PORT_API FAM {
public:
  FAM();
  // Stops the thread (waiting for it) before anything is freed.
  virtual ~FAM();
  FAM(const FAM &) = delete;
  FAM &operator=(const FAM &) = delete;

  // Adds a file (flags: File::WatchSize, File::WatchAttributes, or both); false when it is
  // watched already. A file whose state cannot be read (one that does not exist) throws
  // Port::FAMException "Could not get stats for file <name>". A file added while the monitor
  // runs is watched from then on.
  bool MonitorFile(const StringBase<char> &name, unsigned int flags);
  // Replaces the callback; the old one is released once no call into it is under way.
  void SetFileCallback(boost::shared_ptr<FileCallback> cb);
  // Starts watching; throws Port::FAMException when a directory cannot be watched. Does
  // nothing when the monitor runs or has been ended.
  void StartMonitor();
  // Stops watching for good: the thread ends (and is waited for, unless this is called from
  // the callback) and the notifications are closed. Changes are no longer reported.
  void ExitMonitor();
  // While suspended the thread sleeps; changes made meanwhile are reported on resuming.
  void SuspendMonitor();
  void ResumeMonitor();
  // Stored; the thread uses it only to retry, every interval milliseconds, the watch of a
  // directory that was removed (0: once a second).
  void SetPollingInterval(unsigned int interval);
  unsigned int GetPollingInterval() const;
  // Writes the monitor's state and its files' records to standard output.
  void Dump();

private:
  FAMImpl *m_impl;
};

} // namespace Port

#endif
