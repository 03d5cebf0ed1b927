// notify.h - directory change notifications (FindFirstChangeNotificationA,
// FindNextChangeNotification, FindCloseChangeNotification, WaitForMultipleObjects) and the
// standard attribute record of a file (GetFileAttributesExA), on Windows names.
//
// A ChangeNotifier stands for a set of notification handles and the wait over all of them: one
// inotify descriptor holding one watch per directory, and a wake-up descriptor (an eventfd)
// through which another thread ends a wait. A handle is the inotify watch descriptor; the same
// directory (also under another name) gives the same handle.
#ifndef PORT_PLATFORM_NOTIFY_H
#define PORT_PLATFORM_NOTIFY_H

#include <cstdint>
#include <vector>

namespace platform {

// WIN32_FILE_ATTRIBUTE_DATA: times are 100-ns intervals since 1601-01-01 (UTC).
struct FileAttributeData {
  uint32_t attributes;
  uint64_t creationTime; // the status change time: POSIX keeps no creation time
  uint64_t lastAccessTime;
  uint64_t lastWriteTime;
  uint32_t sizeHigh;
  uint32_t sizeLow;
};

// FILE_ATTRIBUTE_* values that stat can tell.
enum FileAttributeBits : uint32_t {
  FILE_ATTRIBUTE_READONLY_ = 0x01, // the owner's write bit is clear
  FILE_ATTRIBUTE_DIRECTORY_ = 0x10,
  FILE_ATTRIBUTE_ARCHIVE_ = 0x20, // every other file
};

// GetFileAttributesExA(GetFileExInfoStandard): false with errno.
bool getFileAttributesEx(const char *name, FileAttributeData *data);

// FILE_NOTIFY_CHANGE_* filters with their Windows values.
enum NotifyFilter : uint32_t {
  FILE_NOTIFY_CHANGE_ATTRIBUTES_ = 0x04, // inotify IN_ATTRIB
  FILE_NOTIFY_CHANGE_SIZE_ = 0x08,       // inotify IN_MODIFY
};

class ChangeNotifier {
public:
  // What one wait saw.
  struct Events {
    std::vector<int> signalled; // handles that had changes, each once, in the order seen
    std::vector<int> closed;    // handles whose directory was removed or renamed (now dead)
    bool overflow = false;      // changes were lost: every handle must be taken as signalled
    bool woken = false;         // wake() was called
  };

  // valid() is false (with error()) when the descriptors cannot be made.
  ChangeNotifier();
  ~ChangeNotifier();
  ChangeNotifier(const ChangeNotifier &) = delete;
  ChangeNotifier &operator=(const ChangeNotifier &) = delete;
  bool valid() const { return m_inotify >= 0 && m_wake >= 0; }
  int error() const { return m_error; }

  // FindFirstChangeNotificationA(dir, FALSE, filter): a handle, or -1 with errno. Besides the
  // filter, the entries of dir being made, removed or renamed always signal (a file replaced
  // by rename or made again changes its size and attributes without a write), as does the
  // removal of dir itself. A second call for the same directory adds the filter to its watch.
  int add(const char *dir, uint32_t filter);
  // FindCloseChangeNotification: false with errno (EINVAL for a dead handle).
  bool remove(int handle);
  // WaitForMultipleObjects(FALSE, timeout) over every handle and the wake-up descriptor:
  // waits until a change, a wake() or timeoutMs (-1: without limit), then takes in every
  // change already queued. False with errno when waiting fails.
  bool wait(int timeoutMs, Events *events);
  // Ends the current or the next wait; callable from any thread.
  void wake();

private:
  int m_inotify;
  int m_wake;
  int m_error;
};

} // namespace platform

#endif
