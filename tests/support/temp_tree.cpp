// temp_tree.cpp - temporary trees, under /tmp unless told otherwise.
#include "temp_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace porttest {

TempTree::TempTree(const std::string &base) {
  std::string name = base + "/porttree.XXXXXX";
  if (::mkdtemp(&name[0]))
    m_root = name;
}

TempTree::~TempTree() {
  std::error_code ec;
  if (!m_root.empty())
    std::filesystem::remove_all(m_root, ec);
}

std::string TempTree::mkdir(const std::string &relative) const {
  const std::string path = m_root + "/" + relative;
  std::filesystem::create_directories(path);
  return path;
}

std::string TempTree::write(const std::string &relative, const std::string &content) const {
  const std::filesystem::path path = m_root + "/" + relative;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

std::string TempTree::installation(const std::string &name) const {
  mkdir(name + "/data");
  mkdir(name + "/bin/nt");
  return m_root + "/" + name;
}

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void spit(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

} // namespace porttest
