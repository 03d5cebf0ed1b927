// Cit_InstanceTable.h - the process-wide table of named singleton objects, each held with a
// reference. Not locked: meant to be filled on one thread.
#ifndef CIT_INSTANCETABLE_H
#define CIT_INSTANCETABLE_H

#include "Port_Export.h"

#include "Cit_Interface.h"

#include <map>

namespace CitP {

class PORT_API InstanceTableImpl {
public:
  virtual ~InstanceTableImpl();
  CitI::IInterface *GetInstance(const Port::QUID &id);
  void RegisterInstance(const Port::QUID &id, CitI::IInterface *object);
  void UnRegisterInstance(CitI::IInterface *object);
  void Empty();

private:
  std::map<Port::QUID, CitI::IInterface *> m_instances;
};

class PORT_API InstanceTable {
public:
  // The object under id with a new reference taken for the caller, or null.
  static CitI::IInterface *GetInstance(const Port::QUID &id);
  // Stores object under id with a reference taken, replacing (and releasing) an earlier one.
  static void RegisterInstance(const Port::QUID &id, CitI::IInterface *object);
  // Removes the first entry holding object and drops its reference.
  static void UnRegisterInstance(CitI::IInterface *object);
  // Drops every reference and removes every entry.
  static void Empty();

  static InstanceTableImpl *pimpl; // from library load to unload
};

} // namespace CitP

#endif
