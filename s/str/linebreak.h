// linebreak.h - the line breaking of UT_STR's BreakString family, as pieces handed to a
// visitor, so that a writer can lay lines out into a buffer of its own.
#ifndef PORT_STR_LINEBREAK_H
#define PORT_STR_LINEBREAK_H

#include <cstddef>

namespace linebreak {

// Where a cut at pos would not split a UTF-8 sequence (narrow text only).
inline size_t safeCut(const char *line, size_t pos) {
  size_t p = pos;
  while (p > 0 && (static_cast<unsigned char>(line[p]) & 0xC0) == 0x80)
    --p;
  return p ? p : pos;
}
inline size_t safeCut(const wchar_t *, size_t pos) { return pos; }

// Calls emit(pad, begin, length, feed) for each line of text, in order: the line is pad blanks,
// the length characters at begin, and a line feed when feed is set.
// A line feed always ends a line; an empty line between two line feeds is kept (empty, without
// indent); a line feed at the very end of the text does not make an extra line, but an empty
// text gives one empty line. A long line is broken at the last blank that leaves it within the
// width (the blanks at the break are dropped), or cut at the width when it has no blank. The
// last piece of a text line keeps the line feed that ended it, so that the writer can tell a
// line the text ended from one the width ended.
template <typename C, typename Emit>
void forEachLine(const C *text, int width, int indent, Emit emit) {
  if (indent > 10)
    indent = 3;
  if (indent < 0)
    indent = 0;
  if (width < indent + 10)
    width = indent + 10;
  const C *p = text;
  bool continuation = false; // the next line is not the text's first
  do {
    const C *next = p;
    while (*next && *next != C('\n'))
      ++next;
    const C *eol = (next > p && next[-1] == C('\r')) ? next - 1 : next; // "\r\n" ends a line too
    const C *seg = p;
    bool wrapped = false;
    for (;;) {
      const size_t avail = static_cast<size_t>(continuation ? width - indent : width);
      const size_t rest = static_cast<size_t>(eol - seg);
      size_t take = rest, skip = 0;
      if (rest > avail) {
        size_t blank = avail + 1;
        for (size_t k = avail + 1; k-- > 0;)
          if (seg[k] == C(' ')) {
            blank = k;
            break;
          }
        if (blank <= avail && blank > 0) {
          // Break at the blank; the blanks around the break belong to neither line.
          take = blank;
          while (seg + take + skip < eol && seg[take + skip] == C(' '))
            ++skip;
          while (take > 0 && seg[take - 1] == C(' ')) {
            --take;
            ++skip;
          }
        } else {
          take = safeCut(seg, avail);
        }
      }
      const size_t pad = (continuation && (take > 0 || wrapped)) ? static_cast<size_t>(indent) : 0;
      const bool last = seg + take + skip >= eol;
      emit(pad, seg, take, last && *eol == C('\n'));
      continuation = true;
      seg += take + skip;
      if (seg >= eol)
        break;
      wrapped = true;
    }
    p = *next ? next + 1 : next;
  } while (*p);
}

} // namespace linebreak

#endif
