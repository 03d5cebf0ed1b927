// notify.cpp - directory change notifications over inotify, and the Windows attribute record
// filled from stat.
#include "platform/notify.h"
#include "platform/syscalls.h"

#include "platform/faults.h"
#include "platform/filesys.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace platform {

namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
const uint64_t kEpochDifference = 116444736000000000ull;

uint64_t fileTime(const struct timespec &t) {
  if (t.tv_sec < 0)
    return 0;
  return kEpochDifference + static_cast<uint64_t>(t.tv_sec) * 10000000ull +
         static_cast<uint64_t>(t.tv_nsec) / 100;
}

// What always signals besides the filters: entries made, removed or renamed, and the
// directory itself going away.
const uint32_t kAlwaysWatched =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

void addOnce(std::vector<int> *list, int handle) {
  if (std::find(list->begin(), list->end(), handle) == list->end())
    list->push_back(handle);
}

} // namespace

bool getFileAttributesEx(const char *name, FileAttributeData *data) {
  std::string posix;
  if (!toPosixName(name, &posix))
    return false;
  struct stat st;
  if (sys::stat(posix.c_str(), &st) != 0)
    return false;
  data->attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY_ : FILE_ATTRIBUTE_ARCHIVE_;
  if (!(st.st_mode & S_IWUSR))
    data->attributes |= FILE_ATTRIBUTE_READONLY_;
  data->creationTime = fileTime(st.st_ctim);
  data->lastAccessTime = fileTime(st.st_atim);
  data->lastWriteTime = fileTime(st.st_mtim);
  const uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  data->sizeHigh = static_cast<uint32_t>(size >> 32);
  data->sizeLow = static_cast<uint32_t>(size & 0xFFFFFFFFu);
  return true;
}

ChangeNotifier::ChangeNotifier() : m_inotify(-1), m_wake(-1), m_error(0) {
  m_inotify = sys::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (m_inotify < 0) {
    m_error = errno;
    return;
  }
  m_wake = sys::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_wake < 0)
    m_error = errno;
}

ChangeNotifier::~ChangeNotifier() {
  if (m_inotify >= 0)
    sys::close(m_inotify); // drops every watch
  if (m_wake >= 0)
    sys::close(m_wake);
}

int ChangeNotifier::add(const char *dir, uint32_t filter) {
  if (!valid()) {
    errno = m_error ? m_error : EBADF;
    return -1;
  }
  std::string posix;
  if (!toPosixName(dir, &posix))
    return -1;
  uint32_t mask = kAlwaysWatched | IN_MASK_ADD | IN_ONLYDIR;
  if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES_)
    mask |= IN_ATTRIB;
  if (filter & FILE_NOTIFY_CHANGE_SIZE_)
    mask |= IN_MODIFY;
  return sys::inotify_add_watch(m_inotify, posix.c_str(), mask);
}

bool ChangeNotifier::remove(int handle) {
  return valid() && ::inotify_rm_watch(m_inotify, handle) == 0;
}

bool ChangeNotifier::wait(int timeoutMs, Events *events) {
  *events = Events();
  if (!valid()) {
    errno = m_error ? m_error : EBADF;
    return false;
  }
  struct pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
  int ready;
  do
    ready = sys::poll(fds, 2, timeoutMs);
  while (ready < 0 && errno == EINTR);
  if (ready < 0)
    return false;
  if (fds[1].revents & POLLIN) {
    uint64_t count;
    while (sys::read(m_wake, &count, sizeof count) > 0) {
    }
    events->woken = true;
  }
  // Takes in every queued event: a burst of events for one save is one signal.
  alignas(struct inotify_event) char buf[8192];
  for (;;) {
    const ssize_t got = sys::read(m_inotify, buf, sizeof buf);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    for (ssize_t at = 0; at < got;) {
      const struct inotify_event *e = reinterpret_cast<const struct inotify_event *>(buf + at);
      at += static_cast<ssize_t>(sizeof *e + e->len);
      if (e->mask & IN_Q_OVERFLOW) {
        events->overflow = true;
        continue;
      }
      if (e->mask & IN_IGNORED) {
        addOnce(&events->closed, e->wd);
        continue;
      }
      if (e->mask & IN_MOVE_SELF) {
        // The watch would follow the directory to its new name; the handle stands for the
        // old name, so it ends here.
        ::inotify_rm_watch(m_inotify, e->wd);
        addOnce(&events->closed, e->wd);
        continue;
      }
      addOnce(&events->signalled, e->wd);
    }
  }
  return true;
}

void ChangeNotifier::wake() {
  if (m_wake < 0)
    return;
  const uint64_t one = 1;
  ssize_t r;
  do
    r = sys::write(m_wake, &one, sizeof one);
  while (r < 0 && errno == EINTR);
}

} // namespace platform
