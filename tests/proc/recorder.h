// recorder.h - a child-output receiver that records every call it gets, and the other helpers of
// the process tests.
#ifndef PORT_TEST_PROC_RECORDER_H
#define PORT_TEST_PROC_RECORDER_H

#include "Port_Process.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace porttest {

// What a receiver saw. Shared with the test, because the process object deletes the receiver.
struct Record {
  std::mutex mutex;
  std::string text;  // all text, in order
  int textCalls = 0; // Output calls with text
  int nullCalls = 0; // Output(null, false)
  int lastCalls = 0; // calls with last = true
  bool callAfterLast = false;
  int polls = 0;
  bool pollAfterNull = true; // every Poll came right after an Output(null, false)
  bool deleted = false;
  bool lastWasNull = false;
};

class Recorder : public Port::ChildOutput {
public:
  explicit Recorder(std::shared_ptr<Record> r, Port::Process *process = nullptr,
                    std::string input = "")
      : m_r(std::move(r)), m_process(process), m_input(std::move(input)) {}
  ~Recorder() override {
    std::lock_guard<std::mutex> lock(m_r->mutex);
    m_r->deleted = true;
  }
  void Output(const char *text, bool last) override {
    std::lock_guard<std::mutex> lock(m_r->mutex);
    if (m_r->lastCalls)
      m_r->callAfterLast = true;
    if (text) {
      m_r->text += text;
      ++m_r->textCalls;
    } else if (!last) {
      ++m_r->nullCalls;
    }
    if (last) {
      ++m_r->lastCalls;
      m_r->lastWasNull = text == nullptr;
    }
    m_lastNull = text == nullptr && !last;
  }
  // Feeds the child its input from the first poll round of a synchronous run.
  void Poll() override {
    {
      std::lock_guard<std::mutex> lock(m_r->mutex);
      ++m_r->polls;
      if (!m_lastNull)
        m_r->pollAfterNull = false;
    }
    if (m_process && !m_input.empty()) {
      m_process->WriteToChild(m_input.data(), static_cast<unsigned>(m_input.size()));
      m_process->CloseChildInput();
      m_input.clear();
    }
  }

private:
  std::shared_ptr<Record> m_r;
  Port::Process *m_process;
  std::string m_input;
  bool m_lastNull = false;
};

inline std::unique_ptr<Port::ChildOutput> recorder(const std::shared_ptr<Record> &r,
                                                   Port::Process *p = nullptr,
                                                   const std::string &input = "") {
  return std::unique_ptr<Port::ChildOutput>(new Recorder(r, p, input));
}

// The process object's error text, narrowed, or "<null>" when it has none.
inline std::string errorText(const Port::Process &p) {
  std::unique_ptr<wchar_t[]> w(p.GetProcessErrmsg());
  std::string s;
  for (const wchar_t *c = w ? w.get() : L"<null>"; *c; ++c)
    s += static_cast<char>(*c);
  return s;
}

using Clock = std::chrono::steady_clock;

inline int64_t msSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

} // namespace porttest

#endif
