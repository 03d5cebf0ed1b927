// Port_ProgressUpdate.h - Port::ProgressCallback, the base class through which long operations
// report their progress to a tool.
//
// A task runs from a minimum to a maximum value (default 0 to 100). UpdateTaskProgress(value)
// turns the value into a percentage of that range and calls UpdateProgress() each time the
// percentage has grown by the update threshold (default 1) since it was last shown; between
// updates it calls BackgroundUpdate(), so a tool can keep its interface alive.
//
// Threads: an object is not locked and holds its label as a Port::StringBase: an object and its
// copies (which share the label's block) are used by one thread at a time. UpdateProgress and
// BackgroundUpdate run on the thread that calls UpdateTaskProgress.
#ifndef PORT_PROGRESSUPDATE_H
#define PORT_PROGRESSUPDATE_H

#include "Port_Export.h"

#include <cstdint>
#include <memory>

#include "Port_StringBase.h"

namespace Port {

class PORT_API ProgressCallback {
public:
  ProgressCallback();
  ProgressCallback(const ProgressCallback &other);
  ProgressCallback &operator=(const ProgressCallback &other);
  virtual ~ProgressCallback();

  // Called between updates; 0 unless overridden.
  virtual int32_t BackgroundUpdate();
  // Shows the progress (GetPercentDone(), GetProgressLabel()); implemented by the tool.
  virtual int32_t UpdateProgress() = 0;

  void SetProgressLabel(const char *label);
  const StringBase<char> &GetProgressLabel() const;
  // The percentage last shown.
  unsigned int GetPercentDone() const;

  // Starts a new task over min..max; its progress starts again from 0 percent.
  void SetNextTaskMinMaxLimits(unsigned int min, unsigned int max);
  unsigned int GetCurrentMinUpdateLimit() const;
  unsigned int GetCurrentMaxUpdateLimit() const;
  void SetUpdateThreshold(unsigned int percent);
  unsigned int GetUpdateThreshold() const;

  // Percent = (value - min) * 100 / (max - min), held to 0..100 (a value below the minimum
  // is 0 percent, one above the maximum 100; an empty range is 0 below its maximum and 100 at
  // it). When it has reached the last percentage shown plus the threshold, it is stored and
  // UpdateProgress() is called. Returns the update's result when it was called and is not 0,
  // else the result of BackgroundUpdate().
  int32_t UpdateTaskProgress(unsigned int value);

private:
  struct State;
  std::unique_ptr<State> m_state;
};

} // namespace Port

#endif
