// Port_Halt.h - the halt service: a tool learns, at points of its own choosing, that the user
// pressed Ctrl+C or that another process posted it a halt code; and the counted initialiser
// that brings the service up with the first unit that uses it and down with the last.
//
// Threads: every operation may be called from any thread. The halt value, the notified flag and
// the handler are guarded by one recursive lock, held while CheckHalt runs the handler on the
// calling thread (so the handler may call SetHaltValue); installing the Ctrl+C handler has a lock
// of its own, and each slot of the table its spin lock. The counted initialisers are not locked:
// they run while libraries are loaded and unloaded.
#ifndef PORT_HALT_H
#define PORT_HALT_H

#include "Port_Export.h"

#include <atomic>
#include <cstdint>

// The dispatcher must exist before a halt service can report a full table, and outlive it:
// its initialiser object comes first in every unit that includes this header.
#include "Port_MsgDispatcher.h"

class PORT_API Port_Halt {
public:
  // 1, 2 and 3 mean halt; every other value means continue. 4 is "no code pending".
  typedef int32_t HaltCode;

  // Brought up and down by Port_HaltInit; both do nothing when already in that state.
  static void Initialize();
  static void Finalize();

  // Install or remove the Ctrl+C handler. While it is installed an interrupt only marks the
  // process as notified; the tool finds out at its next CheckHalt. Without it an interrupt
  // has the default effect.
  static void Start();
  static void Stop();

  // The tool's halt handler, called by CheckHalt after an interrupt or a posted code; it may
  // read GetAction() and call SetHaltValue().
  static void SetHandler(void (*handler)());
  static void SetHaltValue(HaltCode value);
  static void SetNotify();

  // Runs the handler when notified or when a code was posted to this process; then ends the
  // process with status 0 when the halt value is 1. Returns the halt value.
  static HaltCode CheckHalt();
  static bool Halted();              // CheckHalt() != 0
  static bool CheckForHaltCmd();     // CodeMeansHalt(CheckHalt())
  static bool CheckForContinueCmd(); // CodeMeansContinue(CheckHalt())
  // The code posted by another process, while the handler runs; 4 otherwise.
  static HaltCode GetAction();

  // Posts code to the registered process pid (nothing happens when there is none, or when it
  // has ended). A process holds one pending code: a code posted before the previous one was
  // taken replaces it, so of several senders posting at once only the last code may be seen.
  static void SendSignal(unsigned long pid, HaltCode code);
  // False only while a code posted to pid has not been taken by its CheckHalt; true for a
  // process that never registered or has ended.
  static bool IsSignalDelivered(unsigned long pid);

  static bool CodeMeansHalt(HaltCode code) { return code >= 1 && code <= 3; }
  static bool CodeMeansContinue(HaltCode code) { return !CodeMeansHalt(code); }
};

// One slot of the halt table per registered process. The table is shared by the processes
// of one user, so every field is a lock-free atomic that works across processes.
struct PORT_API Port_HaltInfo {
  // 0 when free; otherwise the id of the process working on the slot (never 0).
  std::atomic<int32_t> lock;
  std::atomic<bool> inUse;
  std::atomic<uint32_t> processId;         // 0xFFFFFFFF when the slot was released
  std::atomic<bool> sent;                  // a code was posted that the owner has not taken yet
  std::atomic<Port_Halt::HaltCode> action; // the code posted; 4 when none
};

enum { Port_HaltInfoSlots = 256 };

// The table of Port_HaltInfoSlots slots, while the service is up; null otherwise.
PORT_API extern Port_HaltInfo *s_Port_HaltInfo;

// Whether CheckHalt would call the handler now: this process was notified (Ctrl+C or
// Port_Halt::SetNotify), or a code posted to it waits in its slot.
PORT_API bool GetNotify();
// Whether a code posted to this process waits in its slot.
PORT_API bool CheckForSentHalt();
// Claim a slot for this process, reclaiming the slots of processes that have ended; ends the
// process with status 1 when the table is full.
PORT_API void SetHaltIndex();
// Release this process's slot.
PORT_API void ClearHaltIndex();
// The slot in use by pid, or -1 (also when pid has ended without releasing its slot).
PORT_API int GetHaltIndex(unsigned long pid);
// The code posted to this process (4 when none), marking it taken.
PORT_API Port_Halt::HaltCode GetNewAction();

// Counted start-up object: the first one alive brings the halt service up, the last one to
// die brings it down. Every unit that includes this header holds one.
class PORT_API Port_HaltInit {
public:
  Port_HaltInit();
  ~Port_HaltInit();
  Port_HaltInit(const Port_HaltInit &) = delete;
  Port_HaltInit &operator=(const Port_HaltInit &) = delete;

private:
  static int32_t counter;
};
static Port_HaltInit Port_HaltInitObject;

// Start-up entries of the older interface, kept for the callers that use them: ut_init does
// nothing, and nothing reads the two words (both 0).
PORT_API void ut_init(int argc, const char *const *argv);
PORT_API extern int init_basut;
PORT_API extern int ut_new_handler;

#endif
