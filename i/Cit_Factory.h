// Cit_Factory.h - the process-wide registry of component factories. A component library,
// found by name under the installation's bin/nt directories, registers its factories from its
// entry point "InstFactoryEntry" when it is loaded; objects are then created by the
// identifier of their class.
//
// Threads: the registry is not locked; fill it during start-up and component loading on one
// thread.
#ifndef CIT_FACTORY_H
#define CIT_FACTORY_H

#include "Port_Export.h"

#include "Cit_Interface.h"

#include <list>
#include <map>
#include <memory>
#include <set>

class PortDynamicLib;

namespace CitP {

class PORT_API FactoryImpl : public IFactoryAPI {
public:
  FactoryImpl();
  // Drops its reference on every factory, then releases the libraries: factories go before
  // the code that implements them is unmapped.
  ~FactoryImpl() override;

  // Itself for CitI::IInterface and CitP::IFactoryAPI (no reference taken), else null.
  CitI::IInterface *GetInterface(const Port::QUID &id) override;
  // The registered factory's object, or null for an unknown class.
  CitI::IInterface *CreateInstance(const Port::QUID &classId) override;
  // Stores factory under classId with a reference taken; a factory stored there before is
  // released and replaced. A null factory is ignored.
  void RegisterFactory(const Port::QUID &classId, CitI::IFactory *factory) override;
  // Removes the first entry (in identifier order) holding factory and drops its reference.
  void UnRegisterFactory(CitI::IFactory *factory) override;
  // Loads a component library: name is a file, or a library under <root>\bin\nt\ of the
  // installation, with or without ".so". A library is loaded once per process, however it is
  // named. Calls its "InstFactoryEntry" and, with an interpreter, its package entry
  // "<Name>_Init" (the base name without a "lib" prefix, lower case with a capital first
  // letter). True when the library is (or already was) loaded; false when none was found.
  bool LoadLibraryFactory(const Port::StringBase<char> &name, Tcl_Interp *interp) override;
  // The first <root>\bin\nt\<name> of the installation search path that is a file.
  bool FindQuelmoSharedLib(const Port::StringBase<char> &name, Port::StringBase<char> &path);

private:
  std::map<Port::QUID, CitI::IFactory *> m_factories;
  std::list<std::shared_ptr<PortDynamicLib>> m_libraries;
  std::set<Port::StringBase<char>> m_loadedPaths; // absolute, normalised
};

// An object created by the factory, held with the reference it came with; the holder drops
// that reference when it dies.
class PORT_API InstanceRef {
public:
  explicit InstanceRef(CitI::IInterface *object = nullptr) : m_object(object) {}
  InstanceRef(InstanceRef &&other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
  InstanceRef(const InstanceRef &) = delete;
  InstanceRef &operator=(const InstanceRef &) = delete;
  ~InstanceRef() { Release(m_object); }
  CitI::IInterface *get() const { return m_object; }
  CitI::IInterface *operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

private:
  CitI::IInterface *m_object;
};

class PORT_API Factory {
public:
  static CitI::IInterface *CreateInstance(const Port::QUID &classId);
  static InstanceRef CreateInstanceRef(const Port::QUID &classId);
  static void RegisterFactory(const Port::QUID &classId, CitI::IFactory *factory);
  static void UnRegisterFactory(CitI::IFactory *factory);
  static bool LoadLibraryFactory(const Port::StringBase<char> &name, Tcl_Interp *interp);
  static bool LoadLibraryFactory(const Port::StringBase<char> &name);

  static FactoryImpl *pimpl; // from library load to unload
};

// The entry name of a library's interpreter package: "libSample.so" gives "Sample_Init".
PORT_API Port::StringBase<char> PackageEntryName(const Port::StringBase<char> &libraryName);

} // namespace CitP

#endif
