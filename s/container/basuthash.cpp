// basuthash.cpp - UT_PORT_HASH: buckets of singly linked chains, newest node first.
#include "basuthash.h"

#include "Port_MsgManData.h"
#include "container/contmem.h"

#include <cstring>

UT_PORT_HASH::UT_PORT_HASH(unsigned int buckets, unsigned char flag)
    : m_buckets(buckets), m_table(nullptr), m_flag(flag), m_count(0) {
  if (buckets == 0) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, "$Revision: 1.1 $")
        ->issueFatal(3, "Invalid Bucket Count: %d\n", 0);
    return;
  }
  size_t bytes = sizeof(Node *) * static_cast<size_t>(buckets);
  m_table = static_cast<Node **>(contmem::allocate(bytes));
  std::memset(m_table, 0, bytes);
}

UT_PORT_HASH::~UT_PORT_HASH() {
  if (!m_table)
    return;
  for (unsigned int b = 0; b < m_buckets; ++b) {
    for (Node *n = m_table[b]; n;) {
      Node *next = n->next;
      contmem::release(n);
      n = next;
    }
  }
  contmem::release(m_table);
}

void UT_PORT_HASH::del_func(void *) {}

void UT_PORT_HASH::add(void *key, void *item) {
  if (!m_table)
    return;
  Node **head = &m_table[hash_func(key) % m_buckets];
  Node *n = static_cast<Node *>(contmem::allocate(sizeof(Node)));
  n->item = item ? item : key;
  n->next = *head;
  *head = n;
  ++m_count;
}

void *UT_PORT_HASH::find_and_remove(void *key, bool remove) {
  if (!m_table)
    return nullptr;
  for (Node **link = &m_table[hash_func(key) % m_buckets]; *link; link = &(*link)->next) {
    Node *n = *link;
    if (comp_func(key, n->item) != 0)
      continue;
    void *item = n->item;
    if (remove) {
      *link = n->next;
      contmem::release(n);
      --m_count;
    }
    return item;
  }
  return nullptr;
}

bool UT_PORT_HASH::s_add(void *key, void *item) {
  add(key, item);
  return true;
}

void *UT_PORT_HASH::s_find(void *key) { return find_and_remove(key, false); }

void *UT_PORT_HASH::s_remove(void *key) { return find_and_remove(key, true); }

void UT_PORT_HASH::process_and_kill(bool useDelFunc, ItemFunc func) {
  if (!m_table)
    return;
  // Detach every chain first: the calls below may free items or use the table again.
  Node *chains = nullptr;
  Node **tail = &chains;
  for (unsigned int b = 0; b < m_buckets; ++b) {
    if (!m_table[b])
      continue;
    *tail = m_table[b];
    while (*tail)
      tail = &(*tail)->next;
    m_table[b] = nullptr;
  }
  m_count = 0;
  for (Node *n = chains; n;) {
    Node *next = n->next;
    void *item = n->item;
    contmem::release(n);
    if (useDelFunc)
      del_func(item);
    else if (func)
      func(item);
    n = next;
  }
}
