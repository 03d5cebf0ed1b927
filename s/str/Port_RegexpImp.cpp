// Port_RegexpImp.cpp - compiling a pattern into codes (format in Port_RegexpImp.h) and the
// greedy backtracking search over them.
//
// The search recurses only at closures, so its depth is bounded by the number of closures a
// 256-code pattern can hold. Failed continuations (code index, position) are remembered across
// all start positions, which keeps patterns such as "a*a*a*b" from taking exponential time.
#include "str/Port_RegexpImp.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

const int kMaxCodes = 255; // the 256th code is the end code

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads the escape whose backslash is at p[i]; advances i past it. -1 for an invalid escape.
int ReadEscape(const unsigned char *p, size_t &i) {
  ++i;
  const unsigned char c = p[i];
  switch (c) {
  case '$':
  case '*':
  case '+':
  case '.':
  case '?':
  case '[':
  case '\\':
  case ']':
  case '^':
    ++i;
    return c;
  case 'b':
  case 'B':
    ++i;
    return 8;
  case 'e':
  case 'E':
    ++i;
    return 27;
  case 'f':
  case 'F':
    ++i;
    return 12;
  case 'n':
  case 'N':
    ++i;
    return 10;
  case 'r':
  case 'R':
    ++i;
    return 13;
  case 's':
  case 'S':
    ++i;
    return ' ';
  case 't':
  case 'T':
    ++i;
    return 9;
  case 'x':
  case 'X': {
    ++i;
    int value = -1;
    for (int k = 0; k < 2 && HexValue(p[i]) >= 0; ++k, ++i)
      value = (value < 0 ? 0 : value * 16) + HexValue(p[i]);
    return value < 0 ? c : value;
  }
  default:
    break;
  }
  if (c >= '0' && c <= '7') {
    int value = 0;
    for (int k = 0; k < 3 && p[i] >= '0' && p[i] <= '7'; ++k, ++i)
      value = value * 8 + (p[i] - '0');
    return value & 0xFF;
  }
  return -1;
}

void SetBit(uint16_t *set, int c) { set[c >> 4] |= static_cast<uint16_t>(1u << (c & 15)); }

inline uint32_t CharValue(char c) { return static_cast<unsigned char>(c); }
inline uint32_t CharValue(wchar_t c) { return static_cast<uint32_t>(c); }

template <class T> class Matcher {
public:
  Matcher(const uint16_t *codes, const T *text, uint32_t first, uint32_t end)
      : m_codes(codes), m_text(text), m_first(first), m_end(end) {
    int closures = 0;
    for (int i = 0; i < 256; ++i)
      m_row[i] = -1;
    for (int i = 0; codes[i] != Port_RegexpImp::CodeEnd;) {
      if (IsClosure(codes[i])) {
        const int next = i + 1 + Width(i + 1);
        m_row[next] = static_cast<int16_t>(closures++);
        i = next;
      } else {
        i += Width(i);
      }
    }
    m_rows.resize(static_cast<size_t>(closures));
    m_memoBits = uint64_t(closures) * (uint64_t(end - first) + 1);
    m_budget = 4 * (uint64_t(end - first) + 16);
  }

  // Position after the match of the codes from ci on at pos, or -1.
  int64_t Match(uint32_t pos, int ci) {
    for (;;) {
      const uint16_t code = m_codes[ci];
      if (code == Port_RegexpImp::CodeEnd)
        return pos;
      if (code == Port_RegexpImp::CodeEndAnchor) {
        if (pos != m_end)
          return -1;
        ++ci;
        continue;
      }
      if (code == Port_RegexpImp::CodeStartAnchor) {
        if (pos != m_first)
          return -1;
        ++ci;
        continue;
      }
      if (IsClosure(code))
        return MatchClosure(pos, ci);
      if (pos >= m_end || !One(ci, m_text[pos]))
        return -1;
      ++pos;
      ci += Width(ci);
    }
  }

private:
  static bool IsClosure(uint16_t code) {
    return code == Port_RegexpImp::CodeStar || code == Port_RegexpImp::CodePlus ||
           code == Port_RegexpImp::CodeOptional;
  }
  int Width(int ci) const { return m_codes[ci] == Port_RegexpImp::CodeClass ? 17 : 1; }

  bool One(int ci, T ch) const {
    const uint16_t code = m_codes[ci];
    const uint32_t c = CharValue(ch);
    if (code < 0x8000)
      return c == code;
    if (code == Port_RegexpImp::CodeAny)
      return c != '\n';
    if (code == Port_RegexpImp::CodeClass)
      return c < 256 && (m_codes[ci + 1 + (c >> 4)] & (1u << (c & 15))) != 0;
    return false;
  }

  int64_t MatchClosure(uint32_t pos, int ci) {
    const uint16_t kind = m_codes[ci];
    const int element = ci + 1;
    const int next = element + Width(element);
    Row &row = m_rows[m_row[next]];
    const uint32_t least = kind == Port_RegexpImp::CodePlus ? 1 : 0;
    uint32_t n;
    if (kind == Port_RegexpImp::CodeOptional) {
      n = pos < m_end && One(element, m_text[pos]) ? 1 : 0;
    } else {
      // The element tests one character at a time, so a run found from an earlier position
      // ends at the same place for every position inside it.
      if (!(row.runKnown && pos >= row.runFrom && pos <= row.runEnd)) {
        // Scanning from below a known run stops where that run begins.
        const uint32_t stop = row.runKnown && pos < row.runFrom ? row.runFrom : m_end;
        uint32_t e = pos;
        while (e < stop && One(element, m_text[e]))
          ++e;
        if (!(row.runKnown && e == row.runFrom))
          row.runEnd = e;
        row.runKnown = true;
        row.runFrom = pos;
      }
      n = row.runEnd - pos;
    }
    if (n < least)
      return -1;
    // Most searches never backtrack much; the table of failed continuations is made only once
    // they do.
    if (m_failed.empty() && m_budget > 0 && --m_budget == 0 && m_memoBits <= (uint64_t(1) << 27))
      m_failed.assign(static_cast<size_t>(m_memoBits), false);
    const size_t base = static_cast<size_t>(m_row[next]) * (size_t(m_end - m_first) + 1);
    const uint32_t lowest = pos + least;
    for (uint32_t q = pos + n + 1; q-- > lowest;) {
      if (row.failKnown && q >= row.failLo && q <= row.failHi) {
        if (row.failLo <= lowest)
          break;
        q = row.failLo;
        continue;
      }
      const size_t key = base + (q - m_first);
      if (!m_failed.empty() && m_failed[key])
        continue;
      const int64_t r = Match(q, next);
      if (r >= 0)
        return r;
      if (!m_failed.empty())
        m_failed[key] = true;
      if (row.failKnown && q + 1 == row.failLo)
        row.failLo = q;
      else if (!(row.failKnown && q >= row.failLo && q <= row.failHi)) {
        row.failKnown = true;
        row.failLo = row.failHi = q;
      }
    }
    return -1;
  }

  // What is known about one closure: the last run of its element, and an interval of positions
  // from which the rest of the pattern (after the closure) is known not to match.
  struct Row {
    bool runKnown = false;
    uint32_t runFrom = 0, runEnd = 0;
    bool failKnown = false;
    uint32_t failLo = 0, failHi = 0;
  };

  const uint16_t *m_codes;
  const T *m_text;
  uint32_t m_first;
  uint32_t m_end;
  int16_t m_row[256];
  std::vector<Row> m_rows;
  uint64_t m_memoBits;
  uint64_t m_budget;
  std::vector<bool> m_failed;
};

} // namespace

Port_RegexpImp::Port_RegexpImp(const char *pattern)
    : m_pattern(new (std::nothrow) uint16_t[PatternSize]), m_status(0) {
  Compile(pattern);
}

Port_RegexpImp::Port_RegexpImp(const Port_RegexpImp &other)
    : m_pattern(new (std::nothrow) uint16_t[PatternSize]), m_status(other.m_status),
      m_plan(other.m_plan) {
  if (!m_pattern) {
    m_status = 2;
    return;
  }
  if (other.m_pattern)
    std::memcpy(m_pattern, other.m_pattern, PatternSize * sizeof(uint16_t));
  else
    m_pattern[0] = CodeEnd;
}

Port_RegexpImp &Port_RegexpImp::operator=(const Port_RegexpImp &other) {
  if (this == &other)
    return *this;
  if (!m_pattern || !other.m_pattern) {
    m_status = 2;
    return *this;
  }
  std::memcpy(m_pattern, other.m_pattern, PatternSize * sizeof(uint16_t));
  m_status = other.m_status;
  m_plan = other.m_plan;
  return *this;
}

Port_RegexpImp::~Port_RegexpImp() { delete[] m_pattern; }

void Port_RegexpImp::Compile(const char *pattern) {
  if (!m_pattern) {
    m_status = 2;
    return;
  }
  m_pattern[0] = CodeEnd;
  m_plan = StartPlan();
  const unsigned char *p = reinterpret_cast<const unsigned char *>(pattern);
  if (!p || !*p || *p == '*' || *p == '+' || *p == '?') {
    m_status = 1;
    return;
  }
  uint16_t *code = m_pattern;
  int k = 0;
  int element = -1; // start of the last element a closure may repeat, -1 when there is none
  m_status = 3;
  for (size_t i = 0; p[i];) {
    const unsigned char c = p[i];
    if (c == '^' && i == 0) {
      code[k++] = CodeStartAnchor;
      element = -1;
      ++i;
    } else if (c == '$' && p[i + 1] == 0) {
      if (k + 1 > kMaxCodes)
        return;
      code[k++] = CodeEndAnchor;
      element = -1;
      ++i;
    } else if (c == '*' || c == '+' || c == '?') {
      if (element < 0 || k + 1 > kMaxCodes)
        return;
      std::memmove(code + element + 1, code + element, (k - element) * sizeof(uint16_t));
      code[element] = static_cast<uint16_t>(0x8000 | c);
      ++k;
      element = -1;
      ++i;
    } else if (c == '[') {
      uint16_t set[16] = {0};
      ++i;
      bool negate = false;
      if (p[i] == '^') {
        negate = true;
        ++i;
      }
      bool closed = false;
      while (p[i]) {
        if (p[i] == ']') {
          closed = true;
          ++i;
          break;
        }
        int lo = p[i] == '\\' ? ReadEscape(p, i) : p[i++];
        if (lo < 0)
          return;
        if (p[i] == '-' && p[i + 1] && p[i + 1] != ']') {
          ++i;
          int hi = p[i] == '\\' ? ReadEscape(p, i) : p[i++];
          if (hi < 0)
            return;
          if (lo > hi)
            std::swap(lo, hi);
          for (int ch = lo; ch <= hi; ++ch)
            SetBit(set, ch);
        } else {
          SetBit(set, lo);
        }
      }
      if (!closed) {
        m_status = 1;
        m_pattern[0] = CodeEnd;
        return;
      }
      if (k + 17 > kMaxCodes)
        return;
      element = k;
      code[k++] = CodeClass;
      for (int w = 0; w < 16; ++w)
        code[k++] = negate ? static_cast<uint16_t>(~set[w]) : set[w];
    } else {
      int literal;
      if (c == '.') {
        literal = CodeAny;
        ++i;
      } else if (c == '\\') {
        literal = ReadEscape(p, i);
        if (literal < 0)
          return;
      } else {
        literal = c;
        ++i;
      }
      if (k + 1 > kMaxCodes)
        return;
      element = k;
      code[k++] = static_cast<uint16_t>(literal);
    }
  }
  code[k] = CodeEnd;
  m_status = 0;
  Plan();
}

void Port_RegexpImp::Plan() {
  const uint16_t *code = m_pattern;
  if (code[0] == CodeStartAnchor)
    return; // one position only
  // A pattern anchored at its end whose elements each take at most one character.
  int32_t longest = 0;
  int i = 0;
  for (;
       code[i] != CodeEnd && code[i] != CodeEndAnchor && code[i] != CodeStar && code[i] != CodePlus;
       i += code[i] == CodeClass ? 17 : 1)
    if (code[i] != CodeOptional)
      ++longest;
  if (code[i] == CodeEndAnchor)
    m_plan.longest = longest;

  int element = 0;
  if (code[0] == CodePlus) {
    element = 1;
    m_plan.run = true;
  }
  const uint16_t first = code[element];
  if (first < 0x8000) {
    m_plan.kind = StartPlan::Byte;
    m_plan.byte = static_cast<uint8_t>(first);
  } else if (first == CodeClass) {
    int members = 0, last = 0;
    for (int w = 0; w < 16; ++w) {
      m_plan.set[w] = code[element + 1 + w];
      for (int b = 0; b < 16; ++b)
        if (m_plan.set[w] & (1u << b)) {
          ++members;
          last = w * 16 + b;
        }
    }
    if (members == 1) {
      m_plan.kind = StartPlan::Byte;
      m_plan.byte = static_cast<uint8_t>(last);
    } else {
      m_plan.kind = StartPlan::Set;
    }
  } else {
    m_plan.run = false; // '.', or a closure that may match nothing: every position
  }
}

template <class T> bool Port_RegexpImp::Starts(T ch) const {
  const uint32_t c = CharValue(ch);
  if (m_plan.kind == StartPlan::Byte)
    return c == m_plan.byte;
  return c < 256 && (m_plan.set[c >> 4] & (1u << (c & 15))) != 0;
}

// The first position from pos on whose character may begin a match, or end.
template <class T>
uint32_t Port_RegexpImp::NextStart(const T *text, uint32_t pos, uint32_t end) const {
  if constexpr (sizeof(T) == 1) {
    if (m_plan.kind == StartPlan::Byte) {
      const void *hit = std::memchr(text + pos, m_plan.byte, end - pos);
      return hit ? static_cast<uint32_t>(static_cast<const T *>(hit) - text) : end;
    }
  }
  while (pos < end && !Starts(text[pos]))
    ++pos;
  return pos;
}

template <class T>
Port_Range Port_RegexpImp::Search(const T *text, uint32_t first, uint32_t end) const {
  if (m_status != 0 || !m_pattern || !text || first > end)
    return Port_Range();
  Matcher<T> matcher(m_pattern, text, first, end);
  const bool anchored = m_pattern[0] == CodeStartAnchor;
  uint32_t pos = first;
  // A match that must reach the end and is at most longest characters long starts near it.
  if (m_plan.longest >= 0 && end - first > static_cast<uint32_t>(m_plan.longest))
    pos = end - static_cast<uint32_t>(m_plan.longest);
  for (;;) {
    if (m_plan.kind != StartPlan::Every) {
      // The first element takes a character, so nothing begins at the end.
      pos = NextStart(text, pos, end);
      if (pos == end)
        break;
    }
    const int64_t after = matcher.Match(pos, 0);
    if (after >= 0)
      return Port_Range(pos, static_cast<uint32_t>(after) - 1);
    if (anchored || pos == end)
      break;
    ++pos;
    // Every position inside the run of a leading closure tries a part of what the run's first
    // position tried.
    if (m_plan.run)
      while (pos < end && Starts(text[pos]))
        ++pos;
  }
  return Port_Range();
}

template Port_Range Port_RegexpImp::Search<char>(const char *, uint32_t, uint32_t) const;
template Port_Range Port_RegexpImp::Search<wchar_t>(const wchar_t *, uint32_t, uint32_t) const;
