// halttable.h - the second part of the shared halt table: who owns each slot and who holds its
// lock, told apart from later processes that got the same process id.
//
// It follows the Port_HaltInfoSlots slots of 20 bytes in the same segment (offset 5120), one
// record of 24 bytes per slot:
//   offset 0   uint32  owner id       the process id the owner start belongs to
//   offset 4   uint32  holder id      the process id the holder start belongs to
//   offset 8   uint64  owner start    start time of the slot's owner
//   offset 16  uint64  holder start   start time of the process holding the lock
// Start times are those of platform::processStartTime. A start time counts only while its id
// matches the slot's process id or lock word: an older library that shares the segment
// writes those and leaves the records alone. Otherwise (and in a zero record) the process id
// alone decides, as before.
#ifndef PORT_RUNTIME_HALTTABLE_H
#define PORT_RUNTIME_HALTTABLE_H

#include "Port_Halt.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace halttable {

struct SlotStarts {
  std::atomic<uint32_t> ownerId;
  std::atomic<uint32_t> holderId;
  std::atomic<uint64_t> owner;
  std::atomic<uint64_t> holder;
};
static_assert(std::atomic<uint64_t>::is_always_lock_free && sizeof(SlotStarts) == 24,
              "every process of the user maps the same record layout");

const size_t SlotBytes = sizeof(Port_HaltInfo) * Port_HaltInfoSlots;
const size_t TableBytes = SlotBytes + sizeof(SlotStarts) * Port_HaltInfoSlots;

// The records of a table of Port_HaltInfoSlots slots.
inline SlotStarts *startsOf(Port_HaltInfo *table) {
  return reinterpret_cast<SlotStarts *>(reinterpret_cast<unsigned char *>(table) + SlotBytes);
}

} // namespace halttable

#endif
