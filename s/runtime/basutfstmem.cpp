// basutfstmem.cpp - the pool allocator and the registry of live pools.
//
// Block layout: elements of elem_size bytes from the start of `memory`; a free element holds,
// in its first pointer-sized word, the address of the next free element of its block (null
// at the end). A new block's elements are linked in address order.
#include "basutfstmem.h"

#include "Port_MsgManData.h"
#include "basutqelmem.h"
#include "platform/memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const char kRevision[] = "$Revision: 1.1 $";

unsigned int roundElemSize(unsigned int size) {
  uint64_t rounded = (static_cast<uint64_t>(size) + 3) & ~static_cast<uint64_t>(3);
  rounded = std::max<uint64_t>(rounded, sizeof(void *));
  return static_cast<unsigned int>(std::min<uint64_t>(rounded, 0xFFFFFFFCu));
}

void *nextOf(const void *elem) {
  void *next;
  std::memcpy(&next, elem, sizeof next);
  return next;
}

void setNext(void *elem, void *next) { std::memcpy(elem, &next, sizeof next); }

} // namespace

Port_ThrMutex UT_PORT_FASTMEM::global_mutex;
int UT_PORT_FASTMEM::global_debug = 0;

UT_PORT_FASTMEM::UT_PORT_FASTMEM(unsigned int elemSize, unsigned int elemCount,
                                 const char *className)
    : UT_STATOBJ("UT_PORT_FASTMEM"), m_blocks(nullptr), m_elemSize(roundElemSize(elemSize)),
      m_elemCount(elemCount ? elemCount : 1), m_blockSize(0), m_className(className) {
  if (static_cast<uint64_t>(m_elemSize) * m_elemCount > 0xFFFFFFFFu)
    m_elemCount = 0xFFFFFFFFu / m_elemSize;
  m_blockSize = m_elemSize * m_elemCount;
  m_indexUsed = 0;
  m_spanShift = 0;
  while ((uint64_t(1) << m_spanShift) < m_blockSize)
    ++m_spanShift;
  m_elemSizeInverse = UINT64_MAX / m_elemSize + 1;
  UT_PORT_FASTMEM_MGR::Instance()->add(this);
}

UT_PORT_FASTMEM::~UT_PORT_FASTMEM() {
  UT_PORT_FASTMEM_MGR::Instance()->remove(this);
  while (m_blocks) {
    UT_PORT_FM_BLOCK_HEAD *next = m_blocks->next;
    qel_free(m_blocks->memory);
    qel_free(m_blocks);
    m_blocks = next;
  }
}

UT_PORT_FM_BLOCK_HEAD *UT_PORT_FASTMEM::new_block() {
  auto *block = static_cast<UT_PORT_FM_BLOCK_HEAD *>(qel_malloc(sizeof(UT_PORT_FM_BLOCK_HEAD)));
  block->next = nullptr;
  block->prev = nullptr;
  block->memory = static_cast<char *>(qel_malloc(m_blockSize));
  block->num_used = 0;
  char *elem = block->memory;
  for (unsigned int i = 1; i < m_elemCount; ++i, elem += m_elemSize)
    setNext(elem, elem + m_elemSize);
  setNext(elem, nullptr);
  block->free_list = block->memory;
  if (4 * (m_indexUsed + 2) > m_index.size())
    index_rebuild(std::max<size_t>(16, 2 * m_index.size()));
  index_insert(block);
  return block;
}

namespace {
size_t spanSlot(uintptr_t span, size_t mask) {
  return static_cast<size_t>((static_cast<uint64_t>(span) * 0x9E3779B97F4A7C15u) >> 32) & mask;
}
} // namespace

void UT_PORT_FASTMEM::index_insert(UT_PORT_FM_BLOCK_HEAD *block) {
  const uintptr_t first = reinterpret_cast<uintptr_t>(block->memory) >> m_spanShift;
  const uintptr_t last =
      (reinterpret_cast<uintptr_t>(block->memory) + m_blockSize - 1) >> m_spanShift;
  const size_t mask = m_index.size() - 1;
  for (uintptr_t span = first; span <= last; ++span) {
    size_t i = spanSlot(span, mask);
    while (m_index[i].block)
      i = (i + 1) & mask;
    m_index[i] = IndexEntry{span, block};
    ++m_indexUsed;
  }
}

// Removes the block's entries; each hole is filled from behind (linear-probing deletion), so
// that every entry stays reachable from its slot without tombstones.
void UT_PORT_FASTMEM::index_erase(UT_PORT_FM_BLOCK_HEAD *block) {
  const size_t mask = m_index.size() - 1;
  const uintptr_t first = reinterpret_cast<uintptr_t>(block->memory) >> m_spanShift;
  const uintptr_t last =
      (reinterpret_cast<uintptr_t>(block->memory) + m_blockSize - 1) >> m_spanShift;
  for (uintptr_t span = first; span <= last; ++span) {
    size_t hole = spanSlot(span, mask);
    while (!(m_index[hole].block == block && m_index[hole].span == span))
      hole = (hole + 1) & mask;
    for (size_t j = (hole + 1) & mask; m_index[j].block; j = (j + 1) & mask) {
      const size_t home = spanSlot(m_index[j].span, mask);
      // The entry at j may move to the hole when its home is not cyclically in (hole, j].
      const bool stays = hole < j ? (home > hole && home <= j) : (home > hole || home <= j);
      if (!stays) {
        m_index[hole] = m_index[j];
        hole = j;
      }
    }
    m_index[hole] = IndexEntry{0, nullptr};
    --m_indexUsed;
  }
}

// A fresh table of capacity entries (a power of two) holding every block of the chain.
void UT_PORT_FASTMEM::index_rebuild(size_t capacity) {
  m_index.assign(capacity, IndexEntry{0, nullptr});
  m_indexUsed = 0;
  for (UT_PORT_FM_BLOCK_HEAD *block = m_blocks; block; block = block->next)
    index_insert(block);
}

// The helpers of the two hot paths are inline so that they are not reached through the
// shared library's symbol table.
inline UT_PORT_FM_BLOCK_HEAD *UT_PORT_FASTMEM::block_holding(const void *ptr) const {
  if (m_index.empty())
    return nullptr;
  const uintptr_t addr = reinterpret_cast<uintptr_t>(ptr);
  const uintptr_t span = addr >> m_spanShift;
  const size_t mask = m_index.size() - 1;
  for (size_t i = spanSlot(span, mask); m_index[i].block; i = (i + 1) & mask) {
    UT_PORT_FM_BLOCK_HEAD *block = m_index[i].block;
    const uintptr_t base = reinterpret_cast<uintptr_t>(block->memory);
    if (m_index[i].span == span && addr >= base && addr - base < m_blockSize)
      return block;
  }
  return nullptr;
}

// offset (below 2^32) is a multiple of the element size exactly when offset times the
// rounded-up inverse wraps to less than the inverse (Lemire, Kaser and Kurz, 2019).
inline bool UT_PORT_FASTMEM::startsElement(uint64_t offset) const {
  return offset * m_elemSizeInverse <= m_elemSizeInverse - 1;
}

inline void UT_PORT_FASTMEM::move_to_front(UT_PORT_FM_BLOCK_HEAD *block) {
  if (!block->prev)
    return;
  block->prev->next = block->next;
  if (block->next)
    block->next->prev = block->prev;
  block->prev = nullptr;
  block->next = m_blocks;
  m_blocks->prev = block;
  m_blocks = block;
}

void UT_PORT_FASTMEM::free_block(UT_PORT_FM_BLOCK_HEAD *block) {
  index_erase(block);
  qel_free(block->memory);
  qel_free(block);
}

void *UT_PORT_FASTMEM::getnewptr() {
  if (!m_blocks)
    m_blocks = new_block();
  UT_PORT_FM_BLOCK_HEAD *last = nullptr;
  UT_PORT_FM_BLOCK_HEAD *block = m_blocks;
  while (block && !block->free_list) {
    last = block;
    block = block->next;
  }
  if (!block) {
    block = new_block();
    last->next = block;
    block->prev = last;
  }
  move_to_front(block);
  void *elem = block->free_list;
  block->free_list = nextOf(elem);
  ++block->num_used;
  return elem;
}

void UT_PORT_FASTMEM::int_free(void *ptr) {
  if (!ptr)
    return;
  if (!m_blocks) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueFatal(19, "Unable to free as memory was not allocated.\n");
    return;
  }
  UT_PORT_FM_BLOCK_HEAD *block = block_holding(ptr);
  // Inside no block, between two elements, or into a block with nothing handed out (a second
  // free): linking it in would corrupt the free list.
  if (!block || !startsElement(static_cast<const char *>(ptr) - block->memory) ||
      block->num_used == 0) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueFatal(19, "Tried to delete a pointer not in list.\n");
    return;
  }
  move_to_front(block);
  setNext(ptr, block->free_list);
  block->free_list = ptr;
  if (--block->num_used == 0 && block->next) {
    m_blocks = block->next;
    m_blocks->prev = nullptr;
    free_block(block);
  }
}

void UT_PORT_FASTMEM::dump() const {
  std::printf("UT_PORT_FASTMEM::classname  = %s\n", m_className ? m_className : "NULL");
  std::printf("UT_PORT_FASTMEM::elem_size  = %d\n", static_cast<int>(m_elemSize));
  std::printf("UT_PORT_FASTMEM::elem_cnt   = %d\n", static_cast<int>(m_elemCount));
  std::printf("UT_PORT_FASTMEM::block_size = %d\n", static_cast<int>(m_blockSize));
  if (!m_blocks) {
    std::printf("   No blocks allocated.\n");
  } else {
    uint64_t used = 0;
    uint64_t capacity = 0;
    int index = 0;
    for (const UT_PORT_FM_BLOCK_HEAD *block = m_blocks; block; block = block->next) {
      std::printf("   Block %d:  num_used = %d\n", index++, static_cast<int>(block->num_used));
      used += block->num_used;
      capacity += m_elemCount;
    }
    const uint64_t percent = (used * 100 + capacity / 2) / capacity;
    std::printf("   Total used:  %d / %d (%d%%)\n", static_cast<int>(used),
                static_cast<int>(capacity), static_cast<int>(percent));
  }
  std::fflush(stdout);
}

void UT_PORT_FASTMEM::report_usage() { UT_PORT_FASTMEM_MGR::Instance()->report(); }

void UT_PORT_FASTMEM::abort() { platform::DebugBreakProcess(); }

UT_PORT_FASTMEM_MGR *UT_PORT_FASTMEM_MGR::Instance() {
  // Never destroyed, so that pools that are static objects can unregister at any point of
  // the process's end.
  static UT_PORT_FASTMEM_MGR *instance = new UT_PORT_FASTMEM_MGR;
  return instance;
}

void UT_PORT_FASTMEM_MGR::add(UT_PORT_FASTMEM *pool) {
  Port_ThrGuard<Port_ThrMutex> guard(UT_PORT_FASTMEM::global_mutex);
  m_pools.push_back(pool);
}

void UT_PORT_FASTMEM_MGR::remove(UT_PORT_FASTMEM *pool) {
  Port_ThrGuard<Port_ThrMutex> guard(UT_PORT_FASTMEM::global_mutex);
  auto it = std::find(m_pools.begin(), m_pools.end(), pool);
  if (it != m_pools.end())
    m_pools.erase(it);
}

int UT_PORT_FASTMEM_MGR::get_count() const {
  Port_ThrGuard<Port_ThrMutex> guard(UT_PORT_FASTMEM::global_mutex);
  return static_cast<int>(m_pools.size());
}

void UT_PORT_FASTMEM_MGR::report() const {
  Port_ThrGuard<Port_ThrMutex> guard(UT_PORT_FASTMEM::global_mutex);
  for (const UT_PORT_FASTMEM *pool : m_pools)
    pool->dump();
}

int fastmem_verify() { return 0; }
