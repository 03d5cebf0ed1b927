// Port_RtfNode.h - Port::RtfNode, one node of a tree that mirrors a directory tree on disk. A
// node lists its directory once, on Read; Exist answers whether a backslash-separated relative
// path lies below it, reading the nodes on the way down one level at a time. Names compare
// without regard to case. What changes on disk after a node was read is not seen.
//
// A tree is used by one thread at a time.
#ifndef PORT_RTFNODE_H
#define PORT_RTFNODE_H

#include "Port_Export.h"

#include "Port_StringBase.h"

#include <vector>

namespace Port {

class PORT_API RtfNode {
public:
  // The name is the text after the last backslash of path, or all of path.
  explicit RtfNode(StringBase<char> const &path);
  RtfNode(RtfNode const &other) = default;
  RtfNode &operator=(RtfNode const &other) = default;
  ~RtfNode() = default;

  // Whether this node's name equals name, ignoring case.
  bool operator==(StringBase<char> const &name) const;
  // Lists the directory once (names beginning with "." are left out); a path that is not a
  // readable directory gives no children. Later calls do nothing.
  void Read();
  // Whether relative (components separated by backslashes) exists below this node. This node
  // itself must have been read; the nodes below are read as needed. An empty component, as
  // after a trailing backslash, matches nothing.
  bool Exist(StringBase<char> const &relative);

  StringBase<char> const &GetPath() const { return m_path; }
  StringBase<char> const &GetName() const { return m_name; }

private:
  StringBase<char> m_path;
  StringBase<char> m_name;
  std::vector<RtfNode> m_children;
  bool m_read;
};

} // namespace Port

#endif
