// Port_MsgManList.cpp - snapshot lists of the registered managers.
#include "Port_MsgDispatcher.h"

#include <vector>

class Port_MsgManListImp {
public:
  std::vector<Port_MsgMan *> managers;
};

Port_MsgManListIterator::Port_MsgManListIterator() : m_pos(nullptr) {}
Port_MsgManListIterator::Port_MsgManListIterator(Port_MsgMan *const *pos) : m_pos(pos) {}
Port_MsgManListIterator &Port_MsgManListIterator::operator++() {
  ++m_pos;
  return *this;
}
Port_MsgManListIterator Port_MsgManListIterator::operator++(int) {
  Port_MsgManListIterator old(*this);
  ++m_pos;
  return old;
}
Port_MsgMan *Port_MsgManListIterator::operator*() const { return *m_pos; }
bool Port_MsgManListIterator::operator==(const Port_MsgManListIterator &other) const {
  return m_pos == other.m_pos;
}
bool Port_MsgManListIterator::operator!=(const Port_MsgManListIterator &other) const {
  return m_pos != other.m_pos;
}

Port_MsgManList::Port_MsgManList() : m_imp(new Port_MsgManListImp) {}
Port_MsgManList::Port_MsgManList(const Port_MsgManList &other)
    : m_imp(new Port_MsgManListImp(*other.m_imp)) {}
Port_MsgManList &Port_MsgManList::operator=(const Port_MsgManList &other) {
  m_imp->managers = other.m_imp->managers;
  return *this;
}
Port_MsgManList::~Port_MsgManList() { delete m_imp; }

int Port_MsgManList::getNumElements() const { return static_cast<int>(m_imp->managers.size()); }
void Port_MsgManList::append(Port_MsgMan *mgr) { m_imp->managers.push_back(mgr); }

Port_MsgManListIterator Port_MsgManList::begin() {
  return Port_MsgManListIterator(m_imp->managers.data());
}
Port_MsgManListIterator Port_MsgManList::end() {
  return Port_MsgManListIterator(m_imp->managers.data() + m_imp->managers.size());
}
Port_MsgManListIterator Port_MsgManList::begin() const {
  return Port_MsgManListIterator(m_imp->managers.data());
}
Port_MsgManListIterator Port_MsgManList::end() const {
  return Port_MsgManListIterator(m_imp->managers.data() + m_imp->managers.size());
}
