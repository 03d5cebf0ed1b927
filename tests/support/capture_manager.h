// capture_manager.h - a default manager that keeps what it would write, line by line, so tests
// can look at layouts and wrapping without touching the real console.
#ifndef PORT_TEST_CAPTURE_MANAGER_H
#define PORT_TEST_CAPTURE_MANAGER_H

#include "Port_MsgMan.h"

#include <mutex>
#include <string>
#include <vector>

namespace porttest {

class CaptureManager : public Port_MsgManDefault {
public:
  struct Entry {
    MsgType type;
    std::vector<std::wstring> lines;
  };

  CaptureManager() : Port_MsgManDefault("capture") {}

  void output(MsgType type, const wchar_t **lines, int count) override {
    if (!isMsgOn(type))
      return;
    std::lock_guard<std::mutex> lock(m_mutex);
    Entry e{type, {}};
    for (int i = 0; i < count; ++i)
      e.lines.push_back(lines[i]);
    m_entries.push_back(e);
  }
  void flush() override {}

  std::vector<Entry> entries() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries;
  }
  // The first line of the only (or last) message.
  std::wstring lastFirstLine() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.empty() || m_entries.back().lines.empty() ? L"<none>"
                                                               : m_entries.back().lines[0];
  }

private:
  std::mutex m_mutex;
  std::vector<Entry> m_entries;
};

// Registers a manager for the life of a test and removes it again.
class ScopedManager {
public:
  explicit ScopedManager(Port_MsgMan *mgr);
  ~ScopedManager();

private:
  Port_MsgMan *m_mgr;
};

} // namespace porttest

#endif
