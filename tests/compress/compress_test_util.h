// compress_test_util.h - helpers of the compression tests: a temporary file open for reading and
// writing, byte views of texts.
#ifndef PORT_TEST_COMPRESS_UTIL_H
#define PORT_TEST_COMPRESS_UTIL_H

#include "Port_FileDesc.h"
#include "temp_tree.h"

#include <fcntl.h>

#include <string>

namespace compresstest {

inline const unsigned char *bytes(const std::string &s) {
  return reinterpret_cast<const unsigned char *>(s.data());
}
inline const unsigned char *bytes(const char *s) {
  return reinterpret_cast<const unsigned char *>(s);
}

// An empty file in a temporary tree, open read-write for the test's life.
class TempFile {
public:
  explicit TempFile(const std::string &name = "records.bin") : m_path(m_tree.root() + "/" + name) {
    m_fd = ::open(m_path.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0666);
  }
  ~TempFile() { m_fd.close(); }
  TempFile(const TempFile &) = delete;
  TempFile &operator=(const TempFile &) = delete;
  Port::FileDesc &fd() { return m_fd; }
  const std::string &path() const { return m_path; }
  long size() {
    const long at = m_fd.lseek(0, 1);
    const long end = m_fd.lseek(0, 2);
    m_fd.lseek(at, 0);
    return end;
  }
  // Appends bytes at the end; the position is left at the end.
  void append(const std::string &data) {
    m_fd.lseek(0, 2);
    m_fd.write(data.data(), static_cast<unsigned>(data.size()));
  }

private:
  porttest::TempTree m_tree;
  std::string m_path;
  Port::FileDesc m_fd;
};

} // namespace compresstest

#endif
