// Cit_InstanceTable.cpp - the table of named singleton objects.
#include "Cit_InstanceTable.h"

#include "component/heldrefs.h"

namespace CitP {

InstanceTableImpl *InstanceTable::pimpl = nullptr;

InstanceTableImpl::~InstanceTableImpl() { Empty(); }

CitI::IInterface *InstanceTableImpl::GetInstance(const Port::QUID &id) {
  auto it = m_instances.find(id);
  if (it == m_instances.end())
    return nullptr;
  AddRef(it->second);
  return it->second;
}

void InstanceTableImpl::RegisterInstance(const Port::QUID &id, CitI::IInterface *object) {
  HoldUnder(m_instances, id, object);
}

void InstanceTableImpl::UnRegisterInstance(CitI::IInterface *object) { LetGo(m_instances, object); }

void InstanceTableImpl::Empty() {
  std::map<Port::QUID, CitI::IInterface *> held;
  held.swap(m_instances);
  for (auto &entry : held)
    Release(entry.second);
}

CitI::IInterface *InstanceTable::GetInstance(const Port::QUID &id) {
  return pimpl ? pimpl->GetInstance(id) : nullptr;
}

void InstanceTable::RegisterInstance(const Port::QUID &id, CitI::IInterface *object) {
  if (pimpl)
    pimpl->RegisterInstance(id, object);
}

void InstanceTable::UnRegisterInstance(CitI::IInterface *object) {
  if (pimpl)
    pimpl->UnRegisterInstance(object);
}

void InstanceTable::Empty() {
  if (pimpl)
    pimpl->Empty();
}

} // namespace CitP
