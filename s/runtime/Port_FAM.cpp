// Port_FAM.cpp - the file alteration monitor: watched files, one change notification per
// directory, and the thread that waits on them and calls back.
//
// Lock order: FAMMutex (the registry of live monitors), then a monitor's own lock. The
// monitor's lock guards its files, watches and callback; it is never held while the callback
// runs, so the callback may call the monitor (suspend, exit, add files).
#include "Port_FAM.h"

#include "Port_File.h"
#include "Port_FileName.h"
#include "Port_MsgDispatcher.h"
#include "Port_Thr.h"
#include "platform/notify.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Port {

namespace {

const char *const kRevision = "$Revision: 1.9 $";
const unsigned kDefaultRetryMs = 1000;

Port_FileInit fileInit;

// A monitor exception with a translated description.
FAMException famError(int line, wchar_t *text) {
  FAMException e("Portability", __FILE__, kRevision, line);
  e.setLocalized(text);
  delete[] text;
  return e;
}

FileState toState(const platform::FileAttributeData &d) {
  return FileState{d.attributes,    d.creationTime, d.lastAccessTime,
                   d.lastWriteTime, d.sizeHigh,     d.sizeLow};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Watched files

File::File(const StringBase<char> &name, unsigned int flags)
    : m_handle(-1), m_prev(), m_curr(), m_name(name), m_flags(flags) {
  SetCurrState();
  ResetState();
  FileName full(FileName(m_name.GetBuffer()).GetAbsolutePath().GetBuffer());
  m_directory = StringBase<char>(full.GetMount().GetBuffer(), full.GetPath().GetBuffer());
}

bool File::Exist() const { return Port_File::exist(m_name.GetBuffer()); }
bool File::Readable() const { return Port_File::canread(m_name.GetBuffer()); }

unsigned int File::GetMonitorFlags() const {
  unsigned int filter = 0;
  if (m_flags & WatchAttributes)
    filter |= platform::FILE_NOTIFY_CHANGE_ATTRIBUTES_;
  if (m_flags & WatchSize)
    filter |= platform::FILE_NOTIFY_CHANGE_SIZE_;
  return filter;
}

FileState File::GetState() const {
  platform::FileAttributeData data;
  if (!platform::getFileAttributesEx(m_name.GetBuffer(), &data))
    throw famError(__LINE__, Port_MsgDispatcher::translateMsg("Portability",
                                                              "Could not get stats for file %s\n",
                                                              m_name.GetBuffer()));
  return toState(data);
}

void File::SetPrevState() { m_prev = m_curr; }
void File::SetCurrState() { m_curr = GetState(); }
void File::ResetState() { m_prev = m_curr; }

bool File::IsModified() const {
  if ((m_flags & WatchAttributes) && m_prev.attributes != m_curr.attributes)
    return true;
  return (m_flags & WatchSize) &&
         (m_prev.sizeLow != m_curr.sizeLow || m_prev.sizeHigh != m_curr.sizeHigh);
}

bool File::StartMonitor() { return true; }
bool File::ExitMonitor() { return true; }
bool File::SuspendMonitor() { return true; }
bool File::ResumeMonitor() { return true; }

bool File::operator==(const File &other) const {
  return m_name.GetLength() == other.m_name.GetLength() &&
         std::equal(m_name.GetBuffer(), m_name.GetBufferEnd(), other.m_name.GetBuffer());
}

void File::Dump() const {
  // Sizes are unsigned halves: a signed conversion would show files above 2 GiB as negative.
  std::printf("Name : %s\n", m_name.GetBuffer());
  std::printf("Directory : %s\n", m_directory.GetBuffer());
  std::printf("Flags Being Monitored : %u\n", m_flags);
  std::printf("Previous File Attributes %u\n", m_prev.attributes);
  std::printf("Current File Attributes %u\n", m_curr.attributes);
  std::printf("Previous File Size [%u,%u]\n", m_prev.sizeLow, m_prev.sizeHigh);
  std::printf("Current File Size [%u,%u]\n", m_curr.sizeLow, m_curr.sizeHigh);
  std::printf("Event Object Handle is %d\n", m_handle);
}

// ---------------------------------------------------------------------------------------------
// The monitor

class FAMImpl {
public:
  FAMImpl() : m_interval(0), m_exit(false), m_suspend(false), m_started(false) {}
  virtual ~FAMImpl() { stop(); }

  bool MonitorFile(const StringBase<char> &name, unsigned int flags);
  void SetFileCallback(boost::shared_ptr<FileCallback> cb) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_callback.swap(cb); // the old one is released outside the lock
  }
  void StartMonitor();
  void ExitMonitor() { stop(); }
  void SuspendMonitor() { m_suspend = true; }
  void ResumeMonitor() {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_suspend = false;
    }
    m_resumed.notify_all();
  }
  void SetPollingInterval(unsigned int interval) { m_interval = interval; }
  unsigned int GetPollingInterval() const { return m_interval; }
  void PollFiles();
  void PollFile(unsigned int index);
  void Dump();

  static void FileModificationEventHandler();
  static void RegisterFAMObject(FAMImpl *obj);
  static void DeRegisterFAMObject(FAMImpl *obj);

private:
  // One notification per watched directory, shared by its files.
  struct Watch {
    std::string directory;
    uint32_t filter;
    int handle; // -1 while the directory is gone
  };

  static void *threadMain(void *arg);
  void run();
  // Waits while suspended; false once the monitor is to end.
  bool waitWhileSuspended();
  // Adds file index's filters to its directory's watch; the index of the watch. Caller holds
  // m_lock. Throws when the directory cannot be watched and mustWatch is set.
  size_t attach(size_t index, bool mustWatch);
  // Watches again the directories that went away and have come back; their files are polled.
  void retryDeadWatches();
  void markDead(int handle);
  void pollHandle(int handle);
  void stop();
  static Port_ThrMutex &famMutex();
  static std::vector<FAMImpl *> &famObjs();

  std::mutex m_lock;
  std::vector<File> m_files;
  std::vector<int> m_handles; // the watch of each file, in file order
  boost::shared_ptr<FileCallback> m_callback;
  std::unique_ptr<Port_ThrThread> m_thread;
  std::atomic<uint32_t> m_interval;
  std::atomic<bool> m_exit;
  std::atomic<bool> m_suspend;
  bool m_started;
  std::condition_variable m_resumed;
  std::unique_ptr<platform::ChangeNotifier> m_notifier;
  std::vector<Watch> m_watches;
  std::vector<size_t> m_watchOf; // the watch of each file
  std::atomic<std::thread::id> m_threadId{};
};

Port_ThrMutex &FAMImpl::famMutex() {
  static Port_ThrMutex mutex;
  return mutex;
}

std::vector<FAMImpl *> &FAMImpl::famObjs() {
  static std::vector<FAMImpl *> objs;
  return objs;
}

void FAMImpl::RegisterFAMObject(FAMImpl *obj) {
  Port_ThrGuard<Port_ThrMutex> guard(famMutex());
  famObjs().push_back(obj);
}

void FAMImpl::DeRegisterFAMObject(FAMImpl *obj) {
  Port_ThrGuard<Port_ThrMutex> guard(famMutex());
  std::vector<FAMImpl *> &objs = famObjs();
  objs.erase(std::remove(objs.begin(), objs.end(), obj), objs.end());
}

// Polls every live monitor; the registry stays locked meanwhile, so none of them can be
// destroyed under it.
void FAMImpl::FileModificationEventHandler() {
  Port_ThrGuard<Port_ThrMutex> guard(famMutex());
  for (FAMImpl *obj : famObjs())
    obj->PollFiles();
}

bool FAMImpl::MonitorFile(const StringBase<char> &name, unsigned int flags) {
  File file(name, flags); // reads the file's state: a file that cannot be read throws
  std::lock_guard<std::mutex> hold(m_lock);
  if (std::find(m_files.begin(), m_files.end(), file) != m_files.end())
    return false;
  m_files.push_back(file);
  m_handles.push_back(-1);
  m_watchOf.push_back(0);
  if (m_started && !m_exit)
    attach(m_files.size() - 1, false);
  return true;
}

size_t FAMImpl::attach(size_t index, bool mustWatch) {
  File &file = m_files[index];
  const std::string dir = file.GetDirectoryPath().GetBuffer();
  const uint32_t filter = file.GetMonitorFlags();
  size_t w = 0;
  while (w < m_watches.size() && m_watches[w].directory != dir)
    ++w;
  if (w == m_watches.size())
    m_watches.push_back(Watch{dir, 0, -1});
  Watch &watch = m_watches[w];
  const bool needed = watch.handle < 0 || (watch.filter | filter) != watch.filter;
  watch.filter |= filter;
  if (needed) {
    const int handle = m_notifier->add(dir.c_str(), watch.filter);
    if (handle < 0 && mustWatch) {
      const std::string code = std::to_string(errno);
      throw famError(__LINE__,
                     Port_MsgDispatcher::translateMsg(
                         "Portability", "Event Object Could Not Be Created %s\n", code.c_str()));
    }
    watch.handle = handle;
  }
  m_watchOf[index] = w;
  m_handles[index] = watch.handle;
  file.m_handle = watch.handle;
  return w;
}

void FAMImpl::StartMonitor() {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_started || m_exit)
    return;
  m_notifier.reset(new platform::ChangeNotifier);
  if (!m_notifier->valid()) {
    const std::string code = std::to_string(m_notifier->error());
    m_notifier.reset();
    throw famError(__LINE__,
                   Port_MsgDispatcher::translateMsg(
                       "Portability", "Event Object Could Not Be Created %s\n", code.c_str()));
  }
  try {
    for (size_t i = 0; i < m_files.size(); ++i)
      attach(i, true);
  } catch (...) {
    m_notifier.reset();
    m_watches.clear();
    throw;
  }
  // Without its thread the monitor is not started; the caller hears it as of the notifier.
  try {
    m_thread.reset(new Port_ThrThread(&FAMImpl::threadMain, this));
  } catch (const std::system_error &e) {
    m_notifier.reset();
    m_watches.clear();
    const std::string code = std::to_string(e.code().value());
    throw famError(__LINE__,
                   Port_MsgDispatcher::translateMsg(
                       "Portability", "Event Object Could Not Be Created %s\n", code.c_str()));
  }
  m_started = true;
}

void *FAMImpl::threadMain(void *arg) {
  try {
    static_cast<FAMImpl *>(arg)->run();
  } catch (...) {
    // A failure inside the thread (a callback that throws included) ends the thread, not the
    // process.
  }
  return nullptr;
}

bool FAMImpl::waitWhileSuspended() {
  std::unique_lock<std::mutex> hold(m_lock);
  m_resumed.wait(hold, [this] { return !m_suspend || m_exit; });
  return !m_exit;
}

void FAMImpl::markDead(int handle) {
  std::lock_guard<std::mutex> hold(m_lock);
  for (Watch &w : m_watches)
    if (w.handle == handle) {
      w.handle = -1;
      for (size_t i = 0; i < m_files.size(); ++i)
        if (m_watchOf[i] == static_cast<size_t>(&w - m_watches.data())) {
          m_handles[i] = -1;
          m_files[i].m_handle = -1;
        }
    }
}

void FAMImpl::retryDeadWatches() {
  std::vector<int> revived;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    for (size_t w = 0; w < m_watches.size(); ++w) {
      if (m_watches[w].handle >= 0)
        continue;
      const int handle = m_notifier->add(m_watches[w].directory.c_str(), m_watches[w].filter);
      if (handle < 0)
        continue;
      m_watches[w].handle = handle;
      for (size_t i = 0; i < m_files.size(); ++i)
        if (m_watchOf[i] == w) {
          m_handles[i] = handle;
          m_files[i].m_handle = handle;
        }
      revived.push_back(handle);
    }
  }
  for (int handle : revived)
    pollHandle(handle);
}

void FAMImpl::pollHandle(int handle) {
  for (unsigned i = 0;; ++i) {
    bool match;
    {
      std::lock_guard<std::mutex> hold(m_lock);
      if (i >= m_handles.size())
        return;
      match = m_handles[i] == handle;
    }
    if (match)
      PollFile(i);
  }
}

void FAMImpl::run() {
  m_threadId = std::this_thread::get_id();
  while (!m_exit) {
    if (m_suspend) {
      if (!waitWhileSuspended())
        break;
      PollFiles(); // what changed while suspended
      continue;
    }
    bool anyDead;
    {
      std::lock_guard<std::mutex> hold(m_lock);
      anyDead = std::any_of(m_watches.begin(), m_watches.end(),
                            [](const Watch &w) { return w.handle < 0; });
    }
    const unsigned interval = m_interval ? m_interval.load() : kDefaultRetryMs;
    platform::ChangeNotifier::Events events;
    if (!m_notifier->wait(anyDead ? static_cast<int>(interval) : -1, &events))
      break; // the notifier itself failed: nothing more can be heard
    if (m_exit)
      break;
    if (m_suspend)
      continue; // polled on resuming
    for (int handle : events.closed)
      markDead(handle);
    if (events.overflow) {
      PollFiles();
    } else {
      for (int handle : events.signalled)
        pollHandle(handle);
      if (!events.closed.empty())
        pollHandle(-1); // the files of directories that went away
    }
    if (anyDead || !events.closed.empty())
      retryDeadWatches();
  }
}

void FAMImpl::PollFiles() {
  for (unsigned i = 0;; ++i) {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      if (i >= m_files.size())
        return;
    }
    PollFile(i);
  }
}

void FAMImpl::PollFile(unsigned int index) {
  StringBase<char> name;
  boost::shared_ptr<FileCallback> callback;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (index >= m_files.size())
      return;
    File &file = m_files[index];
    try {
      file.SetCurrState();
    } catch (const FAMException &) {
      return; // gone for now (deleted, or replaced half way): seen when it comes back
    }
    if (!file.IsModified())
      return;
    file.SetPrevState();
    name = file.GetName();
    callback = m_callback;
  }
  if (callback && !m_exit)
    callback->FileChanged(name);
}

void FAMImpl::stop() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_exit = true;
    m_suspend = true;
  }
  m_resumed.notify_all();
  if (m_notifier)
    m_notifier->wake();
  if (m_thread && m_threadId.load() != std::this_thread::get_id()) {
    m_thread->join();
    m_thread.reset();
    std::lock_guard<std::mutex> hold(m_lock);
    m_notifier.reset(); // closes every notification
    for (Watch &w : m_watches)
      w.handle = -1;
    for (size_t i = 0; i < m_files.size(); ++i) {
      m_handles[i] = -1;
      m_files[i].m_handle = -1;
    }
  }
}

void FAMImpl::Dump() {
  std::lock_guard<std::mutex> hold(m_lock);
  std::printf("Polling Interval is %u\n", m_interval.load());
  std::printf("Exit Flag is %d\n", m_exit ? 1 : 0);
  std::printf("Suspend Flag is %d\n", m_suspend ? 1 : 0);
  std::printf("Files Being Monitored Are...\n");
  for (const File &f : m_files)
    f.Dump();
  std::printf("\nEvent Object Created [%u]\n", static_cast<unsigned>(m_files.size()));
  for (size_t i = 0; i < m_handles.size(); ++i)
    std::printf("   [%u] : %d\n", static_cast<unsigned>(i), m_handles[i]);
  std::fflush(stdout);
}

// ---------------------------------------------------------------------------------------------
// The handle

FAM::FAM() : m_impl(new FAMImpl) { FAMImpl::RegisterFAMObject(m_impl); }

FAM::~FAM() {
  FAMImpl::DeRegisterFAMObject(m_impl);
  delete m_impl; // stops and joins the thread first
}

bool FAM::MonitorFile(const StringBase<char> &name, unsigned int flags) {
  return m_impl->MonitorFile(name, flags);
}
void FAM::SetFileCallback(boost::shared_ptr<FileCallback> cb) { m_impl->SetFileCallback(cb); }
void FAM::StartMonitor() { m_impl->StartMonitor(); }
void FAM::ExitMonitor() { m_impl->ExitMonitor(); }
void FAM::SuspendMonitor() { m_impl->SuspendMonitor(); }
void FAM::ResumeMonitor() { m_impl->ResumeMonitor(); }
void FAM::SetPollingInterval(unsigned int interval) { m_impl->SetPollingInterval(interval); }
unsigned int FAM::GetPollingInterval() const { return m_impl->GetPollingInterval(); }
void FAM::Dump() { m_impl->Dump(); }

} // namespace Port
