// Port_Thr.cpp - the suite's thread library over the standard library and pthreads.
#include "Port_Thr.h"
#include "platform/thread.h"

#include <pthread.h>

int Port_ThrMutex::lock() {
  m_mutex.lock();
  return 0;
}
int Port_ThrMutex::unlock() {
  m_mutex.unlock();
  return 0;
}
int Port_ThrMutex::trylock() { return m_mutex.try_lock() ? 0 : 1; }

int Port_ThrRecursiveLock::lock() {
  m_mutex.lock();
  return 0;
}
int Port_ThrRecursiveLock::unlock() {
  m_mutex.unlock();
  return 0;
}

int Port_ThrReaderWriterLock::lock() {
  m_mutex.lock();
  m_writer.store(std::this_thread::get_id());
  return 0;
}
int Port_ThrReaderWriterLock::readLock() {
  m_mutex.lock_shared();
  return 0;
}
int Port_ThrReaderWriterLock::unlock() {
  // Only the writer can see its own id here: readers never store theirs.
  if (m_writer.load() == std::this_thread::get_id())
    return writeUnlock();
  m_mutex.unlock_shared();
  return 0;
}
int Port_ThrReaderWriterLock::writeUnlock() {
  if (m_writer.load() != std::this_thread::get_id())
    return 1;
  m_writer.store(std::thread::id());
  m_mutex.unlock();
  return 0;
}

// A thread that cannot be started throws std::system_error, as std::thread does.
Port_ThrThread::Port_ThrThread(Function fn, void *arg)
    : m_thread(platform::startThread([fn, arg] { fn(arg); })) {}

Port_ThrThread::~Port_ThrThread() {
  if (m_thread.joinable())
    m_thread.detach();
}

int Port_ThrThread::join() {
  if (!m_thread.joinable() || m_thread.get_id() == std::this_thread::get_id())
    return 1;
  m_thread.join();
  return 0;
}

int Port_ThrThread::detach() {
  if (!m_thread.joinable())
    return 1;
  m_thread.detach();
  return 0;
}

Port_ThrThreadDataHelper::Port_ThrThreadDataHelper(DeleteFunction del)
    : m_delete(del), m_key(0), m_valid(false) {
  pthread_key_t key;
  if (pthread_key_create(&key, del) == 0) {
    m_key = static_cast<unsigned int>(key);
    m_valid = true;
  }
}

Port_ThrThreadDataHelper::~Port_ThrThreadDataHelper() {
  // Other threads' values were handed to the delete function when those threads ended; the
  // destroying thread's own value would otherwise leak with the key.
  if (!m_valid)
    return;
  void *own = getData();
  pthread_key_delete(static_cast<pthread_key_t>(m_key));
  if (own && m_delete)
    m_delete(own);
}

void *Port_ThrThreadDataHelper::getData() const {
  return m_valid ? pthread_getspecific(static_cast<pthread_key_t>(m_key)) : nullptr;
}

int Port_ThrThreadDataHelper::setData(const void *data) {
  if (!m_valid)
    return 1;
  return pthread_setspecific(static_cast<pthread_key_t>(m_key), data);
}
