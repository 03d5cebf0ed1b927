// Port_Halt.cpp - the halt service, its slot table and its counted initialiser.
//
// The slot table is Port_HaltInfoSlots (256) slots of 20 bytes, in a segment shared by the
// processes of one user (or, when that cannot be had, in this process alone):
//   offset 0   int32   lock        0 free; else the id of the process working on the slot
//   offset 4   bool    in use
//   offset 8   uint32  process id  the owner; 0xFFFFFFFF once released
//   offset 12  bool    sent        a code was posted and not yet taken by the owner
//   offset 16  int32   action      the code posted; 4 when none
// The start times of each slot's owner and lock holder follow in the same segment (see
// runtime/halttable.h). A new segment is all zero bytes, which reads as 256 free slots.
//
// Dead processes: a process that was killed releases neither its slot nor a slot lock it held.
// A process that has ended (also one not yet reaped by its parent) or whose id now belongs to
// a later process is dead: every registration reclaims the slots of dead owners, every lookup
// treats them as absent, and a lock word left by a dead holder is taken over. Waiting for a
// slot lock held by a live process is bounded (a stopped process holds it for ever): past
// LockPatience the operation gives that slot up.
#include "Port_Halt.h"
#include "platform/exit.h"

#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "platform/halt.h"
#include "platform/time.h"
#include "runtime/counted.h"
#include "runtime/halttable.h"
#include "runtime/hold.h"

#include <chrono>
#include <cstddef>
#include <cstdlib>
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
const size_t TableBytes = halttable::TableBytes;
const std::chrono::milliseconds LockPatience(1000);

// All of these are constant-initialised: initialiser objects of other units may run before
// this unit's dynamic initialisation.
std::atomic<Port_Halt::HaltCode> s_haltvalue{0};
std::atomic<bool> s_notified{false};
void (*s_hh)() = nullptr;
bool s_sighandler_set = false;
std::atomic<Port_Halt::HaltCode> s_action{NoAction};
std::atomic<int32_t> s_this_pid{0};
std::atomic<uint64_t> s_this_start{0};
Port_ThrMutex *s_sighandler_mutex = nullptr;
Port_ThrRecursiveLock *s_mutex = nullptr;
std::atomic<int32_t> nHaltIndex{-1};

bool s_tableShared = false;
alignas(8) unsigned char s_privateTable[TableBytes];
// Set in the child of a fork: the registration it inherited is its parent's, not its own.
std::atomic<bool> s_forked{false};

using runtime::Hold;

void onForkChild() { s_forked.store(true, std::memory_order_relaxed); }

// This process's id, dropping an inherited registration first when the process is the child
// of a fork: the child must neither take its parent's codes nor release its parent's slot.
uint32_t selfPid() {
  if (s_forked.load(std::memory_order_relaxed) && s_forked.exchange(false)) {
    s_this_pid = static_cast<int32_t>(platform::currentProcessId());
    s_this_start = platform::processStartTime(static_cast<uint32_t>(s_this_pid.load()));
    nHaltIndex = -1;
  }
  return static_cast<uint32_t>(s_this_pid.load());
}

halttable::SlotStarts &startsOf(Port_HaltInfo &slot) {
  return halttable::startsOf(s_Port_HaltInfo)[&slot - s_Port_HaltInfo];
}

// The start time recorded for pid, or 0 (unknown) when the record belongs to another id.
uint64_t recordedStart(const std::atomic<uint32_t> &id, const std::atomic<uint64_t> &start,
                       int64_t pid) {
  const uint64_t value = start.load();
  return static_cast<int64_t>(id.load()) == pid ? value : 0;
}

// Whether pid, recorded with start time recorded (0: unknown), names no running process: it
// has ended, or its id belongs to a later process now.
bool isDead(uint32_t pid, uint64_t recorded) {
  const uint64_t start = platform::processStartTime(pid);
  return start == 0 || (recorded != 0 && start != recorded);
}

// The lock word holder was left by a process that no longer runs. This process's own id in
// the word is an earlier process's with the same id when the recorded start time is not ours.
bool heldByDead(int32_t holder, uint64_t holderStart, int32_t self) {
  if (holder == 0)
    return false;
  if (holder == self)
    return holderStart != 0 && holderStart != s_this_start.load();
  return isDead(static_cast<uint32_t>(holder), holderStart);
}

// Spins, then sleeps briefly, for the slot's lock word; a word left by a dead process is
// taken over. False when a live holder keeps it past LockPatience.
bool lockSlot(Port_HaltInfo &slot) {
  const int32_t self = static_cast<int32_t>(selfPid());
  halttable::SlotStarts &starts = startsOf(slot);
  const auto deadline = std::chrono::steady_clock::now() + LockPatience;
  for (unsigned spins = 1;; ++spins) {
    int32_t holder = 0;
    bool taken = slot.lock.compare_exchange_weak(holder, self, std::memory_order_acquire,
                                                 std::memory_order_relaxed);
    if (!taken && spins % 64 == 0) {
      taken = heldByDead(holder, recordedStart(starts.holderId, starts.holder, holder), self) &&
              slot.lock.compare_exchange_strong(holder, self, std::memory_order_acquire,
                                                std::memory_order_relaxed);
      if (!taken) {
        if (std::chrono::steady_clock::now() > deadline)
          return false;
        platform::sleepUs(50);
      }
    }
    if (taken) {
      starts.holder.store(s_this_start.load());
      starts.holderId.store(static_cast<uint32_t>(self));
      return true;
    }
  }
}

void unlockSlot(Port_HaltInfo &slot) {
  startsOf(slot).holderId.store(0);
  startsOf(slot).holder.store(0);
  slot.lock.store(0, std::memory_order_release);
}

class SlotGuard {
public:
  explicit SlotGuard(Port_HaltInfo &slot) : m_slot(slot), m_held(lockSlot(slot)) {}
  ~SlotGuard() {
    if (m_held)
      unlockSlot(m_slot);
  }
  SlotGuard(const SlotGuard &) = delete;
  SlotGuard &operator=(const SlotGuard &) = delete;
  // False when a live holder kept the lock past LockPatience.
  explicit operator bool() const { return m_held; }

private:
  Port_HaltInfo &m_slot;
  bool m_held;
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
  startsOf(slot).ownerId = 0;
  startsOf(slot).owner = 0;
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

// Claims the first slot that is free or left by a dead process, and reclaims every other slot
// of a dead process on the way: a lookup must not find a process that is gone.
void SetHaltIndex() {
  Port_HaltInfo *table = s_Port_HaltInfo;
  if (!table)
    return;
  const uint32_t self = selfPid();
  int claimed = -1;
  for (int i = 0; i < Port_HaltInfoSlots; ++i) {
    Port_HaltInfo &slot = table[i];
    // Once a slot is claimed only slots in use matter (those of ended processes are released);
    // the free ones, most of the table, are passed without taking their locks.
    if (claimed >= 0 && !slot.inUse.load())
      continue;
    SlotGuard guard(slot);
    if (!guard)
      continue;
    const bool inUse = slot.inUse;
    const uint32_t owner = slot.processId;
    // A slot left by an earlier process that had this id would catch codes meant for us.
    halttable::SlotStarts &starts = startsOf(slot);
    const bool vacant = !inUse || owner == self ||
                        isDead(owner, recordedStart(starts.ownerId, starts.owner, owner));
    if (!vacant)
      continue;
    if (claimed >= 0) {
      if (inUse)
        releaseSlot(slot);
      continue;
    }
    slot.sent = false;
    slot.action = NoAction;
    starts.owner = s_this_start.load();
    starts.ownerId = self;
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
    // Left in place when its lock cannot be had: the next registration reclaims it.
    SlotGuard guard(*slot);
    if (guard && slot->inUse && slot->processId == selfPid())
      releaseSlot(*slot);
  }
  nHaltIndex = -1;
}

int GetHaltIndex(unsigned long pid) {
  Port_HaltInfo *table = s_Port_HaltInfo;
  if (!table || pid >= ReleasedProcessId)
    return -1;
  const halttable::SlotStarts *starts = halttable::startsOf(table);
  for (int i = 0; i < Port_HaltInfoSlots; ++i) {
    if (!table[i].inUse || table[i].processId != pid)
      continue;
    // A process that is gone has no slot, whatever it left behind.
    const uint64_t start = recordedStart(starts[i].ownerId, starts[i].owner, pid);
    if (pid != selfPid() && isDead(static_cast<uint32_t>(pid), start))
      continue;
    return i;
  }
  return -1;
}

Port_Halt::HaltCode GetNewAction() {
  Port_HaltInfo *slot = ownSlot();
  if (!slot)
    return NoAction;
  SlotGuard guard(*slot);
  return guard ? takeAction(*slot) : NoAction;
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
  s_this_start = platform::processStartTime(static_cast<uint32_t>(s_this_pid.load()));
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
    Port_HaltInfo *table = reinterpret_cast<Port_HaltInfo *>(s_privateTable);
    halttable::SlotStarts *starts = halttable::startsOf(table);
    for (int i = 0; i < Port_HaltInfoSlots; ++i) {
      table[i].lock = 0;
      table[i].inUse = false;
      table[i].processId = ReleasedProcessId;
      table[i].sent = false;
      table[i].action = NoAction;
      starts[i].ownerId = 0;
      starts[i].holderId = 0;
      starts[i].owner = 0;
      starts[i].holder = 0;
    }
    s_Port_HaltInfo = table;
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
  // The interrupt is taken with the same step that clears it: an interrupt that arrives while
  // this one is handled stays for the next check instead of being cleared unseen.
  const bool notified = s_notified.exchange(false);
  if (notified || CheckForSentHalt()) {
    Hold<Port_ThrRecursiveLock> hold(s_mutex);
    if (notified || CheckForSentHalt()) {
      if (Port_HaltInfo *slot = ownSlot()) {
        SlotGuard guard(*slot);
        if (guard && slot->sent)
          s_action = takeAction(*slot);
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
  if (guard && slot.inUse && slot.processId == pid) {
    slot.action = code;
    slot.sent = true;
  }
}

bool Port_Halt::IsSignalDelivered(unsigned long pid) {
  const int index = GetHaltIndex(pid);
  if (index < 0)
    return true;
  // Read as it stands when a live holder keeps the lock: each field is atomic.
  Port_HaltInfo &slot = s_Port_HaltInfo[index];
  SlotGuard guard(slot);
  return !(slot.inUse && slot.processId == pid && slot.sent);
}

int32_t Port_HaltInit::counter = 0;

Port_HaltInit::Port_HaltInit() { runtime::firstStarts(counter, Port_Halt::Initialize); }

Port_HaltInit::~Port_HaltInit() { runtime::lastEnds(counter, Port_Halt::Finalize); }

void ut_init(int, const char *const *) {}

int init_basut = 0;
int ut_new_handler = 0;
