// Port_Halt.cpp - the halt service, its slot table and its counted initialiser.
//
// The slot table is Port_HaltInfoSlots (256) slots of 20 bytes, in a segment shared by the
// processes of one user (or, when that cannot be had, in this process alone):
//   offset 0   int32   lock        0 free; else the id of the process working on the slot
//   offset 4   bool    in use
//   offset 8   uint32  process id  the owner; 0xFFFFFFFF once released
//   offset 12  bool    sent        a code was posted and not yet taken by the owner
//   offset 16  int32   action      the code posted; 4 when none
// A new segment is all zero bytes, which reads as 256 free slots. A slot is claimed when it is
// free, or when its owner no longer exists (a process that was killed never releases its
// slot), so the table does not fill up over time.
#include "Port_Halt.h"
#include "platform/exit.h"

#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "platform/halt.h"

#include <cstddef>
#include <cstdlib>
#include <thread>
#include <type_traits>

static_assert(
    std::atomic<int32_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free &&
        std::atomic<bool>::is_always_lock_free,
    "the halt table is shared between processes; the interrupt handler sets a flag unlocked");
static_assert(std::is_standard_layout<Port_HaltInfo>::value && sizeof(Port_HaltInfo) == 20 &&
                  offsetof(Port_HaltInfo, inUse) == 4 && offsetof(Port_HaltInfo, processId) == 8 &&
                  offsetof(Port_HaltInfo, sent) == 12 && offsetof(Port_HaltInfo, action) == 16,
              "every process of the user maps the same slot layout");

namespace {

const Port_Halt::HaltCode NoAction = 4;
const uint32_t ReleasedProcessId = 0xFFFFFFFFu;
const size_t TableBytes = sizeof(Port_HaltInfo) * Port_HaltInfoSlots;

// All of these are constant-initialised: initialiser objects of other units may run before
// this unit's dynamic initialisation.
std::atomic<Port_Halt::HaltCode> s_haltvalue{0};
std::atomic<bool> s_notified{false};
void (*s_hh)() = nullptr;
bool s_sighandler_set = false;
std::atomic<Port_Halt::HaltCode> s_action{NoAction};
std::atomic<int32_t> s_this_pid{0};
Port_ThrMutex *s_sighandler_mutex = nullptr;
Port_ThrRecursiveLock *s_mutex = nullptr;
std::atomic<int32_t> nHaltIndex{-1};

bool s_tableShared = false;
Port_HaltInfo s_privateTable[Port_HaltInfoSlots];
// Set in the child of a fork: the registration it inherited is its parent's, not its own.
std::atomic<bool> s_forked{false};

// Holds one of the service's locks, if the service is up.
template <class Lock> class Hold {
public:
  explicit Hold(Lock *lock) : m_lock(lock) {
    if (m_lock)
      m_lock->lock();
  }
  ~Hold() {
    if (m_lock)
      m_lock->unlock();
  }
  Hold(const Hold &) = delete;
  Hold &operator=(const Hold &) = delete;

private:
  Lock *m_lock;
};

void onForkChild() { s_forked.store(true, std::memory_order_relaxed); }

// This process's id, dropping an inherited registration first when the process is the child
// of a fork: the child must neither take its parent's codes nor release its parent's slot.
uint32_t selfPid() {
  if (s_forked.load(std::memory_order_relaxed) && s_forked.exchange(false)) {
    s_this_pid = static_cast<int32_t>(platform::currentProcessId());
    nHaltIndex = -1;
  }
  return static_cast<uint32_t>(s_this_pid.load());
}

// Busy-waits for the slot's lock word. A word left by a process that ended while holding it
// is taken over, or every later party would wait for ever.
void lockSlot(Port_HaltInfo &slot) {
  const int32_t self = static_cast<int32_t>(selfPid());
  for (unsigned spins = 1;; ++spins) {
    int32_t holder = 0;
    if (slot.lock.compare_exchange_weak(holder, self, std::memory_order_acquire,
                                        std::memory_order_relaxed))
      return;
    if (spins % 1024 == 0) {
      if (holder != 0 && holder != self &&
          !platform::processExists(static_cast<uint32_t>(holder)) &&
          slot.lock.compare_exchange_strong(holder, self, std::memory_order_acquire,
                                            std::memory_order_relaxed))
        return;
      std::this_thread::yield();
    }
  }
}

void unlockSlot(Port_HaltInfo &slot) { slot.lock.store(0, std::memory_order_release); }

class SlotGuard {
public:
  explicit SlotGuard(Port_HaltInfo &slot) : m_slot(slot) { lockSlot(m_slot); }
  ~SlotGuard() { unlockSlot(m_slot); }
  SlotGuard(const SlotGuard &) = delete;
  SlotGuard &operator=(const SlotGuard &) = delete;

private:
  Port_HaltInfo &m_slot;
};

// This process's slot, or null when it has none.
Port_HaltInfo *ownSlot() {
  selfPid();
  Port_HaltInfo *table = s_Port_HaltInfo;
  const int32_t index = nHaltIndex;
  return table && index >= 0 ? &table[index] : nullptr;
}

// With the slot locked.
Port_Halt::HaltCode takeAction(Port_HaltInfo &slot) {
  const Port_Halt::HaltCode action = slot.action;
  slot.sent = false;
  slot.action = NoAction;
  return action;
}

void releaseSlot(Port_HaltInfo &slot) {
  slot.processId = ReleasedProcessId;
  slot.inUse = false;
  slot.sent = false;
  slot.action = NoAction;
}

// The Ctrl+C handler stays installed, so it need not install itself again; it takes no lock.
void sighalt(int) { s_notified.store(true, std::memory_order_relaxed); }

// Puts the action back to "none" when the halt handler returns or throws.
class ActionReset {
public:
  ActionReset() = default;
  ~ActionReset() { s_action = NoAction; }
  ActionReset(const ActionReset &) = delete;
  ActionReset &operator=(const ActionReset &) = delete;
};

} // namespace

Port_HaltInfo *s_Port_HaltInfo = nullptr;

bool GetNotify() {
  Hold<Port_ThrRecursiveLock> hold(s_mutex);
  return s_notified.load() || CheckForSentHalt();
}

bool CheckForSentHalt() {
  Port_HaltInfo *slot = ownSlot();
  return slot && slot->sent.load();
}

void SetHaltIndex() {
  Port_HaltInfo *table = s_Port_HaltInfo;
  if (!table)
    return;
  const uint32_t self = selfPid();
  int claimed = -1;
  for (int i = 0; i < Port_HaltInfoSlots; ++i) {
    Port_HaltInfo &slot = table[i];
    SlotGuard guard(slot);
    const bool inUse = slot.inUse;
    const uint32_t owner = slot.processId;
    if (claimed >= 0) {
      // A slot left by an earlier process that had this id would catch codes meant for us.
      if (inUse && owner == self)
        releaseSlot(slot);
      continue;
    }
    if (inUse && owner != self && platform::processExists(owner))
      continue;
    slot.sent = false;
    slot.action = NoAction;
    slot.processId = self;
    slot.inUse = true;
    claimed = i;
  }
  nHaltIndex = claimed;
  if (claimed < 0)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueFatal(1, "Unable to start program.  Too many Quelmo processes.\n");
}

void ClearHaltIndex() {
  Port_HaltInfo *slot = ownSlot();
  if (!slot)
    return;
  {
    SlotGuard guard(*slot);
    if (slot->inUse && slot->processId == selfPid())
      releaseSlot(*slot);
  }
  nHaltIndex = -1;
}

int GetHaltIndex(unsigned long pid) {
  Port_HaltInfo *table = s_Port_HaltInfo;
  if (!table || pid >= ReleasedProcessId)
    return -1;
  for (int i = 0; i < Port_HaltInfoSlots; ++i)
    if (table[i].inUse && table[i].processId == pid)
      return i;
  return -1;
}

Port_Halt::HaltCode GetNewAction() {
  Port_HaltInfo *slot = ownSlot();
  if (!slot)
    return NoAction;
  SlotGuard guard(*slot);
  return takeAction(*slot);
}

void Port_Halt::Initialize() {
  if (s_mutex)
    return;
  s_mutex = new Port_ThrRecursiveLock;
  s_sighandler_mutex = new Port_ThrMutex;
  s_haltvalue = 0;
  s_notified = false;
  s_action = NoAction;
  s_hh = nullptr;
  s_sighandler_set = false;
  s_forked = false;
  s_this_pid = static_cast<int32_t>(platform::currentProcessId());
  nHaltIndex = -1;
  static bool forkHookSet = false;
  if (!forkHookSet) {
    platform::atForkChild(&onForkChild);
    forkHookSet = true;
  }
  if (void *view = platform::mapSharedHaltTable(TableBytes)) {
    s_Port_HaltInfo = static_cast<Port_HaltInfo *>(view);
    s_tableShared = true;
  } else {
    for (Port_HaltInfo &slot : s_privateTable) {
      slot.lock = 0;
      slot.inUse = false;
      slot.processId = ReleasedProcessId;
      slot.sent = false;
      slot.action = NoAction;
    }
    s_Port_HaltInfo = s_privateTable;
    s_tableShared = false;
  }
  SetHaltIndex();
}

void Port_Halt::Finalize() {
  if (!s_mutex)
    return;
  ClearHaltIndex();
  if (s_sighandler_set)
    Stop();
  if (s_tableShared)
    platform::unmapSharedHaltTable(s_Port_HaltInfo, TableBytes);
  s_Port_HaltInfo = nullptr;
  s_tableShared = false;
  nHaltIndex = -1;
  delete s_sighandler_mutex;
  s_sighandler_mutex = nullptr;
  delete s_mutex;
  s_mutex = nullptr;
}

void Port_Halt::Start() {
  Hold<Port_ThrMutex> hold(s_sighandler_mutex);
  if (platform::setInterruptHandler(&sighalt))
    s_sighandler_set = true;
}

void Port_Halt::Stop() {
  Hold<Port_ThrMutex> hold(s_sighandler_mutex);
  platform::setInterruptHandler(nullptr);
  s_sighandler_set = false;
}

void Port_Halt::SetHandler(void (*handler)()) {
  Hold<Port_ThrRecursiveLock> hold(s_mutex);
  s_hh = handler;
}

void Port_Halt::SetHaltValue(HaltCode value) {
  Hold<Port_ThrRecursiveLock> hold(s_mutex);
  s_haltvalue = value;
}

void Port_Halt::SetNotify() {
  Hold<Port_ThrRecursiveLock> hold(s_mutex);
  s_notified = true;
}

Port_Halt::HaltCode Port_Halt::CheckHalt() {
  // A child of a fork registers on its own the first time it asks.
  if (s_Port_HaltInfo && !ownSlot()) {
    Hold<Port_ThrRecursiveLock> hold(s_mutex);
    if (!ownSlot())
      SetHaltIndex();
  }
  if (s_notified.load() || CheckForSentHalt()) {
    Hold<Port_ThrRecursiveLock> hold(s_mutex);
    if (s_notified.load() || CheckForSentHalt()) {
      if (Port_HaltInfo *slot = ownSlot()) {
        SlotGuard guard(*slot);
        if (slot->sent)
          s_action = takeAction(*slot);
        s_notified = false;
      } else {
        s_notified = false;
      }
      ActionReset reset;
      if (s_hh)
        s_hh();
    }
  }
  if (s_haltvalue.load() == 1)
    platform::ExitProcess(0);
  return s_haltvalue.load();
}

bool Port_Halt::Halted() { return CheckHalt() != 0; }

bool Port_Halt::CheckForHaltCmd() { return CodeMeansHalt(CheckHalt()); }

bool Port_Halt::CheckForContinueCmd() { return CodeMeansContinue(CheckHalt()); }

Port_Halt::HaltCode Port_Halt::GetAction() { return s_action.load(); }

void Port_Halt::SendSignal(unsigned long pid, HaltCode code) {
  const int index = GetHaltIndex(pid);
  if (index < 0)
    return;
  Port_HaltInfo &slot = s_Port_HaltInfo[index];
  SlotGuard guard(slot);
  if (slot.inUse && slot.processId == pid) {
    slot.action = code;
    slot.sent = true;
  }
}

bool Port_Halt::IsSignalDelivered(unsigned long pid) {
  const int index = GetHaltIndex(pid);
  if (index < 0)
    return true;
  Port_HaltInfo &slot = s_Port_HaltInfo[index];
  SlotGuard guard(slot);
  return !(slot.inUse && slot.processId == pid && slot.sent);
}

int32_t Port_HaltInit::counter = 0;

Port_HaltInit::Port_HaltInit() {
  if (++counter == 1)
    Port_Halt::Initialize();
}

Port_HaltInit::~Port_HaltInit() {
  if (--counter == 0)
    Port_Halt::Finalize();
}

void ut_init(int, const char *const *) {}

int init_basut = 0;
int ut_new_handler = 0;
