// Cit_Factory.cpp - the factory registry, loading of component libraries and the lifetime of
// the two process-wide registries.
#include "Cit_Factory.h"

#include "Cit_InstanceTable.h"
#include "PortDynamicLib.h"
#include "Port_Env.h"
#include "Port_File.h"
#include "Port_FileName.h"
#include "Port_PathList.h"
#include "component/heldrefs.h"

#include <cctype>
#include <string>

// The identifiers are never destroyed: factories and instances are released at library unload,
// after function-local statics made later would be gone, and they ask for these identifiers.
namespace CitI {

const Port::QUID &IInterface::InterfaceID() {
  static const Port::QUID *id = new Port::QUID("{c569a982-87c5-4d45-8a2c-17b796723bdc}");
  return *id;
}

} // namespace CitI

namespace CommonI {

const Port::QUID &IRefCount::InterfaceID() {
  static const Port::QUID *id = new Port::QUID("{f3524653-0fb8-4605-a6c1-6e80946a2cdd}");
  return *id;
}

} // namespace CommonI

namespace CitP {

const Port::QUID &IFactoryAPI::InterfaceID() {
  static const Port::QUID *id =
      new Port::QUID("{18dd76b4-1efa-4d83-8860-57c14f43d193}", "This is a Factory API Component");
  return *id;
}

static CommonI::IRefCount *refCountOf(CitI::IInterface *object) {
  if (!object)
    return nullptr;
  return dynamic_cast<CommonI::IRefCount *>(
      object->GetInterface(CommonI::IRefCount::InterfaceID()));
}

bool AddRef(CitI::IInterface *object) {
  CommonI::IRefCount *counted = refCountOf(object);
  if (counted)
    counted->AddRef();
  return counted != nullptr;
}

bool Release(CitI::IInterface *object) {
  CommonI::IRefCount *counted = refCountOf(object);
  if (counted)
    counted->Release();
  return counted != nullptr;
}

FactoryImpl *Factory::pimpl = nullptr;

namespace {

typedef void (*FactoryEntry)();
typedef int (*PackageEntry)(Tcl_Interp *);

// Builds the factory, then the instance table, when the library is loaded, and takes them down
// in the reverse order when it is unloaded.
struct RegistryLifetime {
  RegistryLifetime() {
    Factory::pimpl = new FactoryImpl;
    InstanceTable::pimpl = new InstanceTableImpl;
  }
  ~RegistryLifetime() {
    InstanceTable::pimpl->Empty();
    delete InstanceTable::pimpl;
    InstanceTable::pimpl = nullptr;
    delete Factory::pimpl;
    Factory::pimpl = nullptr;
  }
};

// One absolute form of a file name ("." and ".." resolved), so that a library reached by
// different names is known as one.
Port::StringBase<char> absoluteForm(const char *name) {
  Port::FileName file(name);
  Port::StringBase<char> absolute = file.GetAbsolutePath();
  return Port::FileName(absolute.GetBuffer()).Normalize();
}

bool isFile(const Port::StringBase<char> &name) { return Port_File::isfile(name.GetBuffer()); }

} // namespace

// After the path lists and the dispatcher: their initialisers come with the headers above.
static RegistryLifetime registryLifetime;

FactoryImpl::FactoryImpl() {}

FactoryImpl::~FactoryImpl() {
  for (auto &entry : m_factories)
    Release(entry.second);
  m_factories.clear();
  m_loadedPaths.clear();
  m_libraries.clear();
}

CitI::IInterface *FactoryImpl::GetInterface(const Port::QUID &id) {
  if (id == CitI::IInterface::InterfaceID() || id == IFactoryAPI::InterfaceID())
    return this;
  return nullptr;
}

CitI::IInterface *FactoryImpl::CreateInstance(const Port::QUID &classId) {
  auto it = m_factories.find(classId);
  return it == m_factories.end() ? nullptr : it->second->CreateInstance(classId);
}

void FactoryImpl::RegisterFactory(const Port::QUID &classId, CitI::IFactory *factory) {
  // Only the entry under this class is replaced: the old factory may serve other classes too.
  HoldUnder(m_factories, classId, factory);
}

void FactoryImpl::UnRegisterFactory(CitI::IFactory *factory) { LetGo(m_factories, factory); }

bool FactoryImpl::FindQuelmoSharedLib(const Port::StringBase<char> &name,
                                      Port::StringBase<char> &path) {
  Port::PathList *roots = Port::QuelmoPath::GetInstance();
  if (!roots || name.IsEmpty())
    return false;
  const char sep = Port::FileName::GetPathSeparator();
  for (Port::PathListIterator it = roots->begin(); it != roots->end(); ++it) {
    Port::StringBase<char> candidate;
    candidate.Format("%s%cbin%c%s%c%s", it->GetBuffer(), sep, sep, Port_Env::GetPlatformPath(), sep,
                     name.GetBuffer());
    if (Port_File::exist_no_caching(candidate.GetBuffer()) && isFile(candidate)) {
      path = candidate;
      return true;
    }
  }
  return false;
}

bool FactoryImpl::LoadLibraryFactory(const Port::StringBase<char> &name, Tcl_Interp *interp) {
  if (name.IsEmpty())
    return false;
  Port::StringBase<char> found;
  Port::StringBase<char> withExt = name;
  withExt += PortDynamicLib::GetFileType();
  if (isFile(name))
    found = name;
  else if (!FindQuelmoSharedLib(name, found)) {
    if (isFile(withExt))
      found = withExt;
    else if (!FindQuelmoSharedLib(withExt, found))
      return false;
  }
  Port::StringBase<char> path = absoluteForm(found.GetBuffer());
  if (m_loadedPaths.count(path))
    return true;

  auto library = std::make_shared<PortDynamicLib>(path.GetBuffer());
  if (!library->isLoaded())
    return false;
  if (FactoryEntry entry =
          reinterpret_cast<FactoryEntry>(library->getEntryPoint("InstFactoryEntry")))
    entry();
  if (interp) {
    Port::StringBase<char> packageEntry = PackageEntryName(name);
    if (PackageEntry entry =
            reinterpret_cast<PackageEntry>(library->getEntryPoint(packageEntry.GetBuffer())))
      entry(interp);
  }
  m_libraries.push_back(library);
  m_loadedPaths.insert(path);
  return true;
}

Port::StringBase<char> PackageEntryName(const Port::StringBase<char> &libraryName) {
  std::string base = Port::FileName(libraryName.GetBuffer()).GetBase().GetBuffer();
  // A name given with forward slashes keeps them in its base: cut there too.
  size_t slash = base.find_last_of("/\\");
  if (slash != std::string::npos)
    base.erase(0, slash + 1);
  if (base.size() >= 3 && std::tolower(static_cast<unsigned char>(base[0])) == 'l' &&
      std::tolower(static_cast<unsigned char>(base[1])) == 'i' &&
      std::tolower(static_cast<unsigned char>(base[2])) == 'b')
    base.erase(0, 3);
  for (char &c : base)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!base.empty())
    base[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(base[0])));
  base += "_Init";
  return Port::StringBase<char>(base.c_str());
}

CitI::IInterface *Factory::CreateInstance(const Port::QUID &classId) {
  return pimpl ? pimpl->CreateInstance(classId) : nullptr;
}

InstanceRef Factory::CreateInstanceRef(const Port::QUID &classId) {
  return InstanceRef(CreateInstance(classId));
}

void Factory::RegisterFactory(const Port::QUID &classId, CitI::IFactory *factory) {
  if (pimpl)
    pimpl->RegisterFactory(classId, factory);
}

void Factory::UnRegisterFactory(CitI::IFactory *factory) {
  if (pimpl)
    pimpl->UnRegisterFactory(factory);
}

bool Factory::LoadLibraryFactory(const Port::StringBase<char> &name, Tcl_Interp *interp) {
  return pimpl && pimpl->LoadLibraryFactory(name, interp);
}

bool Factory::LoadLibraryFactory(const Port::StringBase<char> &name) {
  return LoadLibraryFactory(name, nullptr);
}

} // namespace CitP
