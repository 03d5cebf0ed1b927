// PortDynamicLib.cpp - loading shared libraries with initialisation and finalisation entries.
#include "PortDynamicLib.h"

#include "Port_File.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "msg/libreport.h"
#include "platform/dynlib.h"

#include <cstring>
#include <string>

static Port_MsgDispatcherInit dispatcherInit;

namespace {

const char *const kRevision = "$Revision: 1.1 $";
const int kExitCannotOpen = 91;
const int kExitMissing = 92;

const LibraryReport report(__FILE__, kRevision);

typedef void (*EntryFunction)();

} // namespace

class Port_DynamicLibImp {
public:
  std::string path;
  std::string finiName;
  bool hasFini = false;
  bool loaded = false;
  bool initialized = false;
  bool valid = true;
  void *handle = nullptr;
};

PortDynamicLib::PortDynamicLib(const char *path, const char *initName, const char *finiName)
    : m_imp(new Port_DynamicLibImp) {
  if (finiName) {
    m_imp->finiName = finiName;
    m_imp->hasFini = true;
  }
  if (path)
    load(path, initName);
}

PortDynamicLib &PortDynamicLib::operator=(const PortDynamicLib &other) {
  if (this != &other)
    unload(nullptr);
  return *this;
}

PortDynamicLib::~PortDynamicLib() {
  if (m_imp->loaded)
    unload(nullptr);
  delete m_imp;
}

void PortDynamicLib::load(const char *path, const char *initName) {
  if (m_imp->loaded || !m_imp->valid)
    return;
  m_imp->path = path ? path : "";
  if (!path || !Port_File::exist(path)) {
    m_imp->valid = false;
    report(__LINE__)->issueFatal(kExitMissing, "dll library <%s> does not exist.\n",
                                 m_imp->path.c_str());
    return;
  }
  Port_MsgManData::debugStub("now opening dynamic library <%s>\n", path);
  m_imp->handle = platform::loadLibrary(path);
  if (!m_imp->handle) {
    m_imp->valid = false;
    report(__LINE__)->issueFatal(kExitCannotOpen, "dll open of library <%s> failed due to %s.\n",
                                 path, "an unknown reason");
    return;
  }
  m_imp->loaded = true;
  if (initName)
    initialize(initName);
}

void PortDynamicLib::initialize(const char *initName) {
  if (!initName || !m_imp->valid || !m_imp->loaded || m_imp->initialized)
    return;
  EntryFunction init = reinterpret_cast<EntryFunction>(getEntryPoint(initName));
  if (!init)
    return;
  Port_MsgManData::debugStub("now calling init function <%s> at 0x%lx\n", initName,
                             reinterpret_cast<unsigned long>(init));
  init();
  Port_MsgManData::debugStub("done calling init function\n");
  m_imp->initialized = true;
}

void PortDynamicLib::unload(const char *finiName) {
  if (m_imp->valid && m_imp->loaded) {
    if (finiName) {
      m_imp->finiName = finiName;
      m_imp->hasFini = true;
    }
    EntryFunction fini =
        m_imp->hasFini ? reinterpret_cast<EntryFunction>(getEntryPoint(m_imp->finiName.c_str()))
                       : nullptr;
    if (fini) {
      Port_MsgManData::debugStub("now calling fini function <%s> at 0x%lx\n",
                                 m_imp->finiName.c_str(), reinterpret_cast<unsigned long>(fini));
      fini();
      Port_MsgManData::debugStub("done calling fini function\n");
    }
    platform::freeLibrary(m_imp->handle);
    m_imp->handle = nullptr;
    Port_MsgManData::debugStub("done unloading library <%s>\n", m_imp->path.c_str());
  }
  m_imp->loaded = false;
  m_imp->initialized = false;
}

void *PortDynamicLib::getEntryPoint(const char *name) const {
  if (!name || !m_imp->valid || !m_imp->loaded)
    return nullptr;
  std::string lowered = name;
  for (char &c : lowered)
    c = static_cast<char>(c - 10);
  void *entry = platform::getProcAddress(m_imp->handle, lowered.c_str());
  return entry ? entry : platform::getProcAddress(m_imp->handle, name);
}

bool PortDynamicLib::isLoaded() const { return m_imp->loaded; }
bool PortDynamicLib::isInitialized() const { return m_imp->initialized; }
bool PortDynamicLib::isValid() const { return m_imp->valid; }
const char *PortDynamicLib::GetFileType() { return platform::sharedLibraryExtension(); }

char *PortDynamicLib::GetOSEntryPointName(const char *name, char *out) {
  std::strcpy(out, name);
  return out;
}
