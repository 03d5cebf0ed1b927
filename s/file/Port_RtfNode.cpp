// Port_RtfNode.cpp - directory-tree nodes read lazily, asked whether a relative path exists.
#include "Port_RtfNode.h"

#include "basutdir.h"

#include <cstring>

namespace Port {

namespace {
const char kSeparator = '\\';
} // namespace

RtfNode::RtfNode(StringBase<char> const &path) : m_path(path), m_read(false) {
  const char *text = m_path.GetBuffer();
  const char *last = std::strrchr(text, kSeparator);
  m_name = last ? StringBase<char>(last + 1) : m_path;
}

bool RtfNode::operator==(StringBase<char> const &name) const { return m_name.IEquals(name); }

void RtfNode::Read() {
  if (m_read)
    return;
  m_read = true;
  UT_DIR dir(m_path.GetBuffer(), 1);
  if (!dir.isvalid())
    return;
  const int n = dir.getnum();
  m_children.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    m_children.emplace_back(StringBase<char>(m_path.GetBuffer(), "\\", dir.getname(i)));
}

bool RtfNode::Exist(StringBase<char> const &relative) {
  const char *text = relative.GetBuffer();
  const char *sep = std::strchr(text, kSeparator);
  const StringBase<char> first =
      sep ? StringBase<char>(text, static_cast<unsigned>(sep - text)) : relative;
  for (RtfNode &child : m_children) {
    if (!(child == first))
      continue;
    if (!sep)
      return true;
    child.Read();
    return child.Exist(StringBase<char>(sep + 1));
  }
  return false;
}

} // namespace Port
