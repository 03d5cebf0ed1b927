// fuzz_support.h - shared by the fuzz targets that read files: a scratch file holding the input,
// a test for inputs that the open-file layer reads as compressed, and a fatal report that
// returns to the target instead of ending the process (the packed-data decoder ends the process
// on a back-reference outside its data, as specified, so any target whose input can reach it
// through a stream must catch that report).
#ifndef PORT_FUZZ_SUPPORT_H
#define PORT_FUZZ_SUPPORT_H

#include "Port_FileDesc.h"
#include "Port_MsgDispatcher.h"
#include "PortCompress.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace fuzzsupport {

struct FatalReport {};

inline void throwOnFatal() { throw FatalReport(); }

// Registered once: the last registered abort function runs first.
inline void catchFatals() {
  static bool done = (Port_MsgDispatcher::setAbort(&throwOnFatal), true);
  (void)done;
}

// A scratch file name of this process in the temporary directory, the same on every call with
// the same name.
inline std::string scratchPath(const std::string &name) {
  return (std::filesystem::temp_directory_path() /
          ("portability-fuzz-" + std::to_string(getpid()) + "-" + name))
      .string();
}

// Writes the bytes as the whole file; a target cannot go on without it.
inline void writeFile(const std::string &path, const void *data, size_t size) {
  std::FILE *f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
    std::abort();
}

// Runs f with fatal reports caught; false when one ended it.
template <class F> bool survivesFatal(F &&f) {
  catchFatals();
  try {
    f();
    return true;
  } catch (const FatalReport &) {
    return false;
  }
}

// Whether a stream opened on these bytes reads them through one of the two decoders (a record
// header, or the classic signature), so that what it hands out is not the bytes themselves.
inline bool looksCompressed(const void *data, size_t size) {
  static const unsigned char classic[7] = {0x5A, 0x5A, 0xA5, 0xA5, 0xC3, 0xC3, 0x71};
  const auto *bytes = static_cast<const unsigned char *>(data);
  return (size >= 24 && Port_Compress::IsQuelmoZipFormat(bytes)) ||
         (size >= sizeof classic && std::memcmp(bytes, classic, sizeof classic) == 0);
}

// The input as a file, open read-write, removed when the object goes.
class ScratchFile {
public:
  ScratchFile(const uint8_t *data, size_t size) {
    char name[] = "/tmp/portfuzzXXXXXX";
    const int fd = mkstemp(name);
    m_name = name;
    if (fd >= 0 && size)
      (void)!write(fd, data, size);
    if (fd >= 0)
      lseek(fd, 0, SEEK_SET);
    m_fd = fd;
  }
  ~ScratchFile() {
    m_fd.close();
    unlink(m_name.c_str());
  }
  ScratchFile(const ScratchFile &) = delete;
  ScratchFile &operator=(const ScratchFile &) = delete;
  Port::FileDesc &fd() { return m_fd; }
  bool ok() const { return static_cast<int>(m_fd) >= 0; }

private:
  std::string m_name;
  Port::FileDesc m_fd;
};

} // namespace fuzzsupport

#endif
