// deferredlibs.cpp - mapping the outside libraries on first use.
#include "msg/deferredlibs.h"

#include "msg/libreport.h"
#include "platform/dynlib.h"
#include "platform/exit.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>

namespace {

const char *const kRevision = "$Revision: 1.1 $";
const int kExitCannotOpen = 91; // the exit value of a shared library that cannot be opened

const LibraryReport report(__FILE__, kRevision);

// One library: its file name (the system's name for the version built against, set by the
// build), the names of its entries in the order of its table's members, and the table once made.
template <class Table> struct Deferred {
  constexpr Deferred(const char *f, const char *const *n) : file(f), names(n) {}
  const char *const file;
  const char *const *const names;
  std::atomic<const Table *> table{nullptr};
  std::mutex mapping;
  bool failed = false;
};

// Maps the library and fills the table's members, which are all function pointers, one per name.
// On failure the reason for the message.
template <class Table> bool map(Deferred<Table> &lib, Table *table, std::string *reason) {
  void *handle = platform::loadLibrary(lib.file);
  if (!handle) {
    *reason = "a file the system could not find or map";
    return false;
  }
  constexpr size_t count = sizeof(Table) / sizeof(void (*)());
  for (size_t i = 0; i < count; ++i) {
    void *entry = platform::getProcAddress(handle, lib.names[i]);
    if (!entry) {
      *reason = std::string("a missing entry ") + lib.names[i];
      platform::freeLibrary(handle);
      return false;
    }
    std::memcpy(reinterpret_cast<char *>(table) + i * sizeof(void (*)()), &entry, sizeof entry);
  }
  return true; // the handle stays open for the rest of the process
}

template <class Table> const Table &use(Deferred<Table> &lib) {
  if (const Table *table = lib.table.load(std::memory_order_acquire))
    return *table;
  std::string reason;
  {
    std::lock_guard<std::mutex> lock(lib.mapping);
    if (const Table *table = lib.table.load(std::memory_order_relaxed))
      return *table;
    if (!lib.failed) {
      static_assert(sizeof(Table) % sizeof(void (*)()) == 0, "a table holds function pointers");
      Table *table = new Table;
      if (map(lib, table, &reason)) {
        lib.table.store(table, std::memory_order_release);
        return *table;
      }
      delete table;
      lib.failed = true;
    }
  }
  // Reported once; a later use (another thread, or the fatal message's own output) only ends
  // the process, which is ending already.
  if (!reason.empty())
    report(__LINE__)->issueFatal(kExitCannotOpen, "dll open of library <%s> failed due to %s.\n",
                                 lib.file, reason.c_str());
  platform::ExitProcess(kExitCannotOpen);
}

#define PORT_DEFERRED_NAME(name) #name,
const char *const kZlibNames[] = {PORT_ZLIB_ENTRIES(PORT_DEFERRED_NAME)};
const char *const kMinizipNames[] = {PORT_MINIZIP_ENTRIES(PORT_DEFERRED_NAME)};
const char *const kLibdeflateNames[] = {PORT_LIBDEFLATE_ENTRIES(PORT_DEFERRED_NAME)};
const char *const kExpatNames[] = {PORT_EXPAT_ENTRIES(PORT_DEFERRED_NAME)};
const char *const kNettleNames[] = {PORT_NETTLE_ENTRIES(PORT_DEFERRED_NAME)};
#undef PORT_DEFERRED_NAME

template <class Table, size_t N> constexpr bool fits(const char *const (&)[N]) {
  return N * sizeof(void (*)()) == sizeof(Table);
}
static_assert(fits<deferred::Zlib>(kZlibNames) && fits<deferred::Minizip>(kMinizipNames) &&
                  fits<deferred::Libdeflate>(kLibdeflateNames) &&
                  fits<deferred::Expat>(kExpatNames) && fits<deferred::Nettle>(kNettleNames),
              "one name per entry of each table");

// Constant-initialised: nothing runs at start-up.
Deferred<deferred::Zlib> g_zlib{PORT_SONAME_ZLIB, kZlibNames};
Deferred<deferred::Minizip> g_minizip{PORT_SONAME_MINIZIP, kMinizipNames};
Deferred<deferred::Libdeflate> g_libdeflate{PORT_SONAME_LIBDEFLATE, kLibdeflateNames};
Deferred<deferred::Expat> g_expat{PORT_SONAME_EXPAT, kExpatNames};
Deferred<deferred::Nettle> g_nettle{PORT_SONAME_NETTLE, kNettleNames};

} // namespace

namespace deferred {

const Zlib &zlib() { return use(g_zlib); }
const Minizip &minizip() { return use(g_minizip); }
const Libdeflate &libdeflate() { return use(g_libdeflate); }
const Expat &expat() { return use(g_expat); }
const Nettle &nettle() { return use(g_nettle); }

} // namespace deferred
