// Port_Proc.h - Port_Process, the older child-process interface: always synchronous, it hands
// each piece of the child's output to its virtual DispatchOutput.
//
// Run results: 0 the child ran and ended, 1 it could not be started or waiting or reading
// failed, 2 the command line is invalid.
//
// Threads: an object is not locked and is used by one thread at a time. Run waits for the child
// on the calling thread, and DispatchOutput is called on that thread.
#ifndef PORT_PROC_H
#define PORT_PROC_H

#include "Port_Export.h"

class Port_ProcImp;

class PORT_API Port_Process {
public:
  // waitSeconds: how long one wait for the child lasts before output is looked at again;
  // 0 or less waits until output arrives or the child ends.
  explicit Port_Process(int waitSeconds);
  Port_Process(const Port_Process &) = delete;
  Port_Process &operator=(const Port_Process &) = delete;
  virtual ~Port_Process();

  // Output text with CR LF line ends turned into LF; last is 1 once the child has ended.
  // The default does nothing.
  virtual void DispatchOutput(const char *text, unsigned char last, void *userData);

  int Run(const char *cmd);
  void SetUserData(void *data);
  int GetChildRetcode() const;
  unsigned int GetProcessID() const; // 0xFFFFFFFF when no child runs
  // The translated error text (new array, the caller frees it with delete[]), or null when
  // nothing was run.
  wchar_t *GetProcessErrmsg() const;

private:
  Port_ProcImp *m_imp;
};

#endif
