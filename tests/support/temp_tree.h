// temp_tree.h - a temporary directory tree for one test, removed with the object, and whole-file
// reads and writes.
#ifndef PORT_TEST_TEMP_TREE_H
#define PORT_TEST_TEMP_TREE_H

#include <string>

namespace porttest {

class TempTree {
public:
  // A fresh directory below base, which must exist.
  explicit TempTree(const std::string &base = "/tmp");
  ~TempTree();
  TempTree(const TempTree &) = delete;
  TempTree &operator=(const TempTree &) = delete;

  const std::string &root() const { return m_root; }
  // Makes a directory (and its parents) below the root; returns its full path.
  std::string mkdir(const std::string &relative) const;
  // Writes a file below the root (parents made as needed); returns its full path.
  std::string write(const std::string &relative, const std::string &content) const;
  // A minimal installation below the root: <name>/data and <name>/bin/nt.
  std::string installation(const std::string &name) const;

private:
  std::string m_root;
};

// The whole content of a file, byte for byte ("" when it cannot be read).
std::string slurp(const std::string &path);
// Replaces a file's content with the bytes.
void spit(const std::string &path, const std::string &bytes);

} // namespace porttest

#endif
