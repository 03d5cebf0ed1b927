// fuzz_support.h - shared by the fuzz targets that read files: scratch files holding the input.
#ifndef PORT_FUZZ_SUPPORT_H
#define PORT_FUZZ_SUPPORT_H

#include "Port_FileDesc.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fuzzsupport {

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
