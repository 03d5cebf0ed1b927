// Port_ProgressUpdate.cpp - Port::ProgressCallback.
#include "Port_ProgressUpdate.h"

namespace Port {

struct ProgressCallback::State {
  unsigned int min = 0;
  unsigned int max = 100;
  unsigned int threshold = 1;
  unsigned int lastShown = 0;
  StringBase<char> label;
};

ProgressCallback::ProgressCallback() : m_state(new State) {}

ProgressCallback::ProgressCallback(const ProgressCallback &other)
    : m_state(new State(*other.m_state)) {}

ProgressCallback &ProgressCallback::operator=(const ProgressCallback &other) {
  if (this != &other)
    *m_state = *other.m_state;
  return *this;
}

ProgressCallback::~ProgressCallback() = default;

int32_t ProgressCallback::BackgroundUpdate() { return 0; }

void ProgressCallback::SetProgressLabel(const char *label) { m_state->label = label ? label : ""; }

const StringBase<char> &ProgressCallback::GetProgressLabel() const { return m_state->label; }

unsigned int ProgressCallback::GetPercentDone() const { return m_state->lastShown; }

void ProgressCallback::SetNextTaskMinMaxLimits(unsigned int min, unsigned int max) {
  m_state->min = min;
  m_state->max = max;
  m_state->lastShown = 0;
}

unsigned int ProgressCallback::GetCurrentMinUpdateLimit() const { return m_state->min; }

unsigned int ProgressCallback::GetCurrentMaxUpdateLimit() const { return m_state->max; }

void ProgressCallback::SetUpdateThreshold(unsigned int percent) { m_state->threshold = percent; }

unsigned int ProgressCallback::GetUpdateThreshold() const { return m_state->threshold; }

int32_t ProgressCallback::UpdateTaskProgress(unsigned int value) {
  State &s = *m_state;
  uint64_t percent;
  if (value <= s.min && s.min < s.max)
    percent = 0;
  else if (value >= s.max)
    percent = 100;
  else if (s.max <= s.min)
    percent = 0;
  else
    percent = (uint64_t(value) - s.min) * 100 / (uint64_t(s.max) - s.min);

  if (percent >= uint64_t(s.lastShown) + s.threshold) {
    s.lastShown = static_cast<unsigned int>(percent);
    int32_t result = UpdateProgress();
    if (result != 0)
      return result;
  }
  return BackgroundUpdate();
}

} // namespace Port
