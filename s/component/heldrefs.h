// heldrefs.h - tables of objects keyed by QUID that hold one reference to each entry: the
// factory registry and the instance table.
#ifndef PORTABILITY_COMPONENT_HELDREFS_H
#define PORTABILITY_COMPONENT_HELDREFS_H

#include "Cit_Interface.h"

#include <map>

namespace CitP {

// Enters object under key, taking a reference to it; an object already under key is replaced
// and its reference given back. A null object changes nothing.
template <class Object>
void HoldUnder(std::map<Port::QUID, Object *> &table, const Port::QUID &key, Object *object) {
  if (!object)
    return;
  AddRef(object);
  auto it = table.find(key);
  if (it != table.end()) {
    Object *old = it->second;
    it->second = object;
    Release(old);
    return;
  }
  table.emplace(key, object);
}

// Removes the first entry (in key order) that holds object and gives back its reference.
template <class Object> void LetGo(std::map<Port::QUID, Object *> &table, Object *object) {
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->second != object)
      continue;
    table.erase(it);
    Release(object);
    return;
  }
}

} // namespace CitP

#endif
