// faults.cpp - the armed faults of the platform layer's test switch, one slot per service.
#include "platform/faults.h"

#include <cerrno>

namespace platform {
namespace faults {

std::atomic<int> g_armed{0};

namespace {

struct Slot {
  std::atomic<bool> armed{false};
  std::atomic<long> nth{0};
  std::atomic<bool> persist{false};
  std::atomic<int> err{0};
  std::atomic<long> calls{0};
  std::atomic<long> hits{0};
};

Slot g_slots[Port_TestServiceCount];

bool known(int service) { return service >= 0 && service < Port_TestServiceCount; }

void disarm(Slot &slot) {
  if (slot.armed.exchange(false))
    g_armed.fetch_sub(1);
}

} // namespace

bool strike(int service, int *err) {
  if (!known(service))
    return false;
  Slot &slot = g_slots[service];
  if (!slot.armed.load(std::memory_order_acquire))
    return false;
  const long call = slot.calls.fetch_add(1) + 1;
  const long nth = slot.nth.load();
  if (call < nth || (call > nth && !slot.persist.load()))
    return false;
  const int e = slot.err.load();
  if (e == Port_TestShort && !err)
    return false; // a call that moves no bytes cannot be short
  slot.hits.fetch_add(1);
  if (err)
    *err = e;
  if (e != Port_TestShort)
    errno = e;
  return true;
}

} // namespace faults
} // namespace platform

using platform::faults::g_armed;

int Port_TestFault(int service, long n, int persist, int err) {
  if (!platform::faults::known(service) || n < 1)
    return -1;
  auto &slot = platform::faults::g_slots[service];
  platform::faults::disarm(slot);
  slot.nth = n;
  slot.persist = persist != 0;
  slot.err = err;
  slot.calls = 0;
  slot.hits = 0;
  slot.armed.store(true, std::memory_order_release);
  g_armed.fetch_add(1);
  return 0;
}

void Port_TestFaultClear(void) {
  for (auto &slot : platform::faults::g_slots) {
    platform::faults::disarm(slot);
    slot.calls = 0;
    slot.hits = 0;
  }
}

long Port_TestFaultCalls(int service) {
  return platform::faults::known(service) ? platform::faults::g_slots[service].calls.load() : 0;
}

long Port_TestFaultHits(int service) {
  return platform::faults::known(service) ? platform::faults::g_slots[service].hits.load() : 0;
}

namespace {
struct Entry {
  const char *name;
  const char *symbols;
};
const Entry kEntries[] = {
#define PORT_TEST_ENTRY(id, name, symbols) {name, symbols},
    PORT_TEST_SERVICES(PORT_TEST_ENTRY)
#undef PORT_TEST_ENTRY
};
static_assert(sizeof kEntries / sizeof kEntries[0] == Port_TestServiceCount, "one row a service");
} // namespace

const char *Port_TestFaultName(int service) {
  return platform::faults::known(service) ? kEntries[service].name : nullptr;
}

const char *Port_TestFaultSymbols(int service) {
  return platform::faults::known(service) ? kEntries[service].symbols : nullptr;
}
