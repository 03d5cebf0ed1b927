// fuzz_support.h - shared by the compression fuzz targets: a scratch file holding the input, and
// a fatal report that returns to the target instead of ending the process (the packed-data
// decoder ends the process on a back-reference outside its data, as specified).
#ifndef PORT_FUZZ_SUPPORT_H
#define PORT_FUZZ_SUPPORT_H

#include "Port_FileDesc.h"
#include "Port_MsgDispatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzzsupport {

struct FatalReport {};

inline void throwOnFatal() { throw FatalReport(); }

// Registered once: the last registered abort function runs first.
inline void catchFatals() {
  static bool done = (Port_MsgDispatcher::setAbort(&throwOnFatal), true);
  (void)done;
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
