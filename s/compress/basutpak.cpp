// basutpak.cpp - UTPAK_DATA: the classic packed-data codec.
//
// Stream format (bits as UT_PAKIO writes them; codes as the Huffman trees write them):
//
//   stream := block* endmark
//   block  := L(256) weights symbol*
//   weights:= 317 weights: literal/length values 0..285, then distance rows 0..30. A weight w
//             (0..32768) is its row c = findlength(distances, w) coded with the adaptive weight
//             coder W (32 values), then w - base(c) in extra(c) bits. After each row W counts
//             it (updatetree) and is aged (agenodes) when its root's weight exceeds 2047.
//             Both trees L and D are then rebuilt from these weights.
//   symbol := L(b)                                    a literal byte b
//           | L(257 + i) xbits(i) D(j) xbits(j)       a back-reference: length row i of the
//             length table, distance row j of the distance table, each followed by the value
//             less the row's base in the row's extra bits
//   endmark:= L(256) W(31), then the last partial byte with its unused high bits 0
//
// L(256) of a block is coded with the tree of the previous block (at the start, all weights 1).
// The weight of 256 is 1 in every block, so the next mark always has a code. A back-reference
// reaches at most 32767 bytes back, possibly into earlier blocks, and may overlap the bytes it
// produces.
//
// Packing finds matches through a 65536-bucket hash of three-byte prefixes, newest position
// first, stopping at the first match longer than 6 bytes; one step of lazy matching emits a
// literal when the match at the next position reaches at least as far. The chains are two arrays
// of window positions (the newest of each hash, the next older of each position), which move
// down with the window.
#include "basutpak.h"

#include "Port_MsgManData.h"
#include "basuthuff.h"
#include "basutqelmem.h"
#include "msg/libreport.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const int kHashSize = 65536;
const int kMaxLength = 321;
const int kMaxDistance = 32768; // exclusive
const int kKeep = 32768;        // window bytes kept behind the newest
const int kShrinkStep = 16384;
const int kLiteralValues = 286;
const int kDistanceValues = 31;
const int kWeights = kLiteralValues + kDistanceValues;
const int kMaxWeight = 32768;
const int kEndRow = 31;
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the match search reads words");

const LibraryReport report(__FILE__, kRevision);

// Table rows of every length and distance, found once.
struct RowLookup {
  uint8_t length[kMaxLength + 1];
  uint8_t distance[kMaxWeight + 1];
  RowLookup() {
    for (int v = 0; v <= kMaxLength; ++v)
      length[v] = static_cast<uint8_t>(v < 3 ? 0 : findlength(utpak_lengths, v) - utpak_lengths);
    for (int v = 0; v <= kMaxWeight; ++v)
      distance[v] = static_cast<uint8_t>(findlength(utpak_distances, v) - utpak_distances);
  }
};
const RowLookup &rows() {
  static const RowLookup table;
  return table;
}

// A recorded symbol: a literal byte, or a back-reference with its length and distance.
inline uint32_t referenceSymbol(int length, int distance) {
  return 0x80000000u | (static_cast<uint32_t>(length) << 16) | static_cast<uint32_t>(distance);
}
} // namespace

const UTPAK_LENGTH utpak_lengths[30] = {{3, 0},   {4, 0},   {5, 0},   {6, 0},   {7, 0},   {8, 0},
                                        {9, 0},   {10, 0},  {11, 1},  {13, 1},  {15, 1},  {17, 1},
                                        {19, 2},  {23, 2},  {27, 2},  {31, 2},  {35, 3},  {43, 3},
                                        {51, 3},  {59, 3},  {67, 4},  {83, 4},  {99, 4},  {115, 4},
                                        {131, 5}, {163, 5}, {195, 5}, {227, 5}, {258, 6}, {322, 0}};

const UTPAK_LENGTH utpak_distances[32] = {
    {0, 0},      {1, 0},      {2, 0},      {3, 0},     {4, 0},     {5, 1},     {7, 1},
    {9, 2},      {13, 2},     {17, 3},     {25, 3},    {33, 4},    {49, 4},    {65, 5},
    {97, 5},     {129, 6},    {193, 6},    {257, 7},   {385, 7},   {513, 8},   {769, 8},
    {1025, 9},   {1537, 9},   {2049, 10},  {3073, 10}, {4097, 11}, {6145, 11}, {8193, 12},
    {12289, 12}, {16385, 13}, {24577, 13}, {32769, 0}};

const UTPAK_LENGTH *findlength(const UTPAK_LENGTH *table, int value) {
  // The terminator's base is above every codable value; a larger value stops before it.
  const UTPAK_LENGTH *terminator = table == utpak_lengths     ? utpak_lengths + 29
                                   : table == utpak_distances ? utpak_distances + 31
                                                              : nullptr;
  const UTPAK_LENGTH *row = table;
  while (row + 1 != terminator && (row + 1)->base <= value)
    ++row;
  return row;
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

UTPAK_DATA::UTPAK_DATA(UT_IO_DEVICE *device, char type, char hufversion)
    : UT_PAKIO(device), m_type(type == 0 ? '1' : type), m_endOfData(false), m_window(nullptr),
      m_windowLength(0), m_consumed(0), m_weightCoder(nullptr), m_literals(nullptr),
      m_distances(nullptr), m_capacity(0), m_damaged(false), m_damageError(false) {
  if (m_type != '1')
    report(__LINE__)->issueFatal(1, "Unknown compression type.\n");
  m_weightCoder = new UTHUF_ADAPTIVETREE(32, this, hufversion);
  m_literals = new UTHUF_TREE(kLiteralValues, this, hufversion);
  m_distances = new UTHUF_TREE(kDistanceValues, this, hufversion);
}

UTPAK_DATA::~UTPAK_DATA() {
  if (m_head) {
    m_literals->putword(256);
    m_weightCoder->putword(kEndRow);
    m_weightCoder->updatetree(m_weightCoder->getleaf(kEndRow));
    if (m_weightCoder->getroot()->probability > 0x7FF)
      m_weightCoder->agenodes();
  }
  delete m_weightCoder;
  delete m_literals;
  delete m_distances;
  if (m_state == Untouched || m_state == Writing)
    unload_next_buffer();
  qel_free(m_window);
}

char UTPAK_DATA::gethufversion() const { return m_literals->getversion(); }

void UTPAK_DATA::growwindow(int size) {
  if (size <= m_capacity)
    return;
  const int capacity = std::max(size, m_capacity + m_capacity / 2);
  m_window = static_cast<unsigned char *>(qel_realloc(m_window, static_cast<size_t>(capacity)));
  m_capacity = capacity;
}

// ---------------------------------------------------------------------------------------------
// Hash chains

int UTPAK_DATA::gethash(int pos) const {
  if (pos >= m_windowLength - 2)
    return -1;
  const unsigned char *w = m_window + pos;
  return (w[0] << 8) ^ (w[1] << 4) ^ w[2];
}

bool UTPAK_DATA::findlongestmatch(int pos, int &match, int &length) {
  match = -1;
  length = 0;
  const int h = gethash(pos);
  if (h < 0 || m_head[h] < 0)
    return false;
  const int limit = std::min(m_windowLength - pos, kMaxLength);
  if (limit <= 2)
    return false;
  const unsigned char *here = m_window + pos;
  const int32_t *const older = m_older.data();
  for (int32_t at = m_head[h]; at >= 0 && pos - at < kMaxDistance; at = older[at]) {
    const unsigned char *there = m_window + at;
    // Only an entry that agrees up to and including the byte after the best match so far can
    // beat it: test that byte first (the answer is the same, most entries end here).
    if (length > 0 && there[length] != here[length])
      continue;
    int count = 0;
    while (count + 8 <= limit) {
      uint64_t a, c;
      std::memcpy(&a, there + count, 8);
      std::memcpy(&c, here + count, 8);
      if (a != c) {
        count += __builtin_ctzll(a ^ c) / 8; // little-endian: the first differing byte
        break;
      }
      count += 8;
    }
    if (count + 8 > limit)
      while (count < limit && there[count] == here[count])
        ++count;
    if (count > length) {
      length = count;
      match = at;
      if (count > 6 || count >= limit)
        break;
    }
  }
  return length >= 1;
}

void UTPAK_DATA::shrinkunpacked() {
  const int drop = std::min(m_consumed, m_windowLength - kKeep);
  if (drop < kShrinkStep)
    return;
  std::memmove(m_window, m_window + drop, static_cast<size_t>(m_windowLength - drop));
  m_windowLength -= drop;
  m_consumed -= drop;
  if (!m_head)
    return;
  // Positions move down with the window; those that fall off it end their chains.
  auto moved = [drop](int32_t at) { return at >= drop ? at - drop : -1; };
  for (int i = 0; i < kHashSize; ++i)
    m_head[i] = moved(m_head[i]);
  for (int at = 0; at < m_windowLength; ++at)
    m_older[at] = moved(m_older[at + drop]);
}

// ---------------------------------------------------------------------------------------------
// Packing

void UTPAK_DATA::sendweights(const int32_t *weights) {
  const RowLookup &lookup = rows();
  m_literals->putword(256);
  for (int i = 0; i < kWeights; ++i) {
    const int w = std::min(weights[i], kMaxWeight);
    const int c = lookup.distance[w];
    m_weightCoder->putword(static_cast<unsigned>(c));
    m_weightCoder->updatetree(m_weightCoder->getleaf(c));
    if (m_weightCoder->getroot()->probability > 0x7FF)
      m_weightCoder->agenodes();
    if (utpak_distances[c].extra)
      putbits(static_cast<unsigned>(w - utpak_distances[c].base),
              static_cast<unsigned>(utpak_distances[c].extra));
  }
  for (int i = 0; i < kLiteralValues; ++i)
    m_literals->getleaf(i)->probability = std::min(weights[i], kMaxWeight);
  for (int i = 0; i < kDistanceValues; ++i)
    m_distances->getleaf(i)->probability = std::min(weights[kLiteralValues + i], kMaxWeight);
  m_literals->rebuild();
  m_distances->rebuild();
}

void UTPAK_DATA::pak(char *data, int n) {
  if (!m_head) {
    m_head.reset(new int32_t[kHashSize]);
    std::fill(m_head.get(), m_head.get() + kHashSize, -1);
  }
  if (n < 0)
    n = 0;
  const int start = m_windowLength;
  growwindow(start + n);
  if (m_older.size() < static_cast<size_t>(m_capacity))
    m_older.resize(static_cast<size_t>(m_capacity));
  if (n)
    std::memcpy(m_window + start, data, static_cast<size_t>(n));
  m_windowLength += n;
  m_consumed = m_windowLength;

  int32_t weights[kWeights] = {};
  weights[256] = 1;
  int32_t *const distanceWeights = weights + kLiteralValues;
  const RowLookup &lookup = rows();
  std::vector<uint32_t> symbols;
  symbols.reserve(static_cast<size_t>(n));
  int recorded = 0;
  // The search one position ahead, kept when a literal is emitted instead of a match: the next
  // round would repeat it, and gives the same answer unless the literal's position joined the
  // same chain.
  struct Ahead {
    int pos = -1, match = -1, length = 0;
    bool found = false;
  } ahead;
  for (int pos = start; pos < m_windowLength;) {
    int match, length;
    bool found;
    if (pos == ahead.pos) {
      found = ahead.found;
      match = ahead.match;
      length = ahead.length;
    } else {
      found = findlongestmatch(pos, match, length);
    }
    ahead.pos = -1;
    if (found && length >= 3) {
      int nextMatch, nextLength;
      const bool nextFound = findlongestmatch(pos + 1, nextMatch, nextLength);
      if (nextLength > length - 1) {
        length = 1;
        const int h = gethash(pos);
        if (h < 0 || h != gethash(pos + 1))
          ahead = {pos + 1, nextMatch, nextLength, nextFound};
      }
    }
    if (found && length >= 3) {
      const int distance = pos - match;
      symbols.push_back(referenceSymbol(length, distance));
      ++weights[257 + lookup.length[length]];
      ++distanceWeights[lookup.distance[distance]];
      ++recorded;
    } else {
      symbols.push_back(m_window[pos]);
      ++weights[m_window[pos]];
      length = 1;
    }
    for (int k = 0; k < length; ++k) {
      const int h = gethash(pos + k);
      if (h >= 0) {
        m_older[pos + k] = m_head[h];
        m_head[h] = pos + k;
      }
    }
    pos += length;
  }

  sendweights(weights);
  int sent = 0;
  for (uint32_t s : symbols) {
    if (!(s & 0x80000000u)) {
      m_literals->putword(s);
      continue;
    }
    const int length = static_cast<int>((s >> 16) & 0x7FFF);
    const int distance = static_cast<int>(s & 0xFFFF);
    const int i = lookup.length[length];
    m_literals->putword(static_cast<unsigned>(257 + i));
    if (utpak_lengths[i].extra)
      putbits(static_cast<unsigned>(length - utpak_lengths[i].base),
              static_cast<unsigned>(utpak_lengths[i].extra));
    const int j = lookup.distance[distance];
    m_distances->putword(static_cast<unsigned>(j));
    if (utpak_distances[j].extra)
      putbits(static_cast<unsigned>(distance - utpak_distances[j].base),
              static_cast<unsigned>(utpak_distances[j].extra));
    ++sent;
  }
  if (sent != recorded)
    report(__LINE__)->issueFatal(2, "Offset buffer count inconsistent.\n");
  shrinkunpacked();
}

// ---------------------------------------------------------------------------------------------
// Unpacking

bool UTPAK_DATA::readweights() {
  int32_t weights[kWeights];
  for (int i = 0; i < kWeights; ++i) {
    const unsigned c = m_weightCoder->getword();
    m_weightCoder->updatetree(m_weightCoder->getleaf(static_cast<int>(c)));
    if (m_weightCoder->getroot()->probability > 0x7FF)
      m_weightCoder->agenodes();
    if (overrun())
      return false;
    if (c == kEndRow) {
      m_endOfData = true;
      return false;
    }
    const UTPAK_LENGTH &row = utpak_distances[c];
    weights[i] =
        row.base + static_cast<int32_t>(row.extra ? getbits(static_cast<unsigned>(row.extra)) : 0);
  }
  if (overrun())
    return false;
  for (int i = 0; i < kLiteralValues; ++i)
    m_literals->getleaf(i)->probability = weights[i];
  for (int i = 0; i < kDistanceValues; ++i)
    m_distances->getleaf(i)->probability = weights[kLiteralValues + i];
  m_literals->rebuild();
  m_distances->rebuild();
  return true;
}

int UTPAK_DATA::unpak(char *out, int n) {
  if (m_damaged)
    return -1;
  if (m_endOfData || n <= 0)
    return 0;
  growwindow(m_consumed + n + kMaxLength);
  const int target = m_consumed + n;
  int dp = m_windowLength;
  while (dp < target) {
    const unsigned sym = m_literals->getword();
    if (overrun())
      break;
    if (sym < 256) {
      m_window[dp++] = static_cast<unsigned char>(sym);
      continue;
    }
    if (sym == 256) {
      if (!readweights())
        break;
      continue;
    }
    const UTPAK_LENGTH &lrow = utpak_lengths[sym - 257];
    const int length =
        lrow.base + static_cast<int>(lrow.extra ? getbits(static_cast<unsigned>(lrow.extra)) : 0);
    const unsigned j = m_distances->getword();
    const UTPAK_LENGTH &drow = utpak_distances[j];
    const int distance =
        drow.base + static_cast<int>(drow.extra ? getbits(static_cast<unsigned>(drow.extra)) : 0);
    if (overrun())
      break;
    int src = dp - distance;
    if (src < 0 || src >= dp) {
      m_damaged = true;
      if (m_damageError)
        report(__LINE__)->issueError("Bogus offset reading packed data.\n");
      else
        report(__LINE__)->issueFatal(1, "Bogus offset reading packed data.\n");
      break;
    }
    // An overlapping copy repeats the data: byte by byte when the source is less than a word
    // behind, else in words, each of which reads only bytes already in place. Words may write
    // up to 7 bytes past the copy, which later symbols overwrite, where the window has room.
    unsigned char *to = m_window + dp;
    const unsigned char *from = m_window + src;
    if (distance >= 8 && dp + length + 8 <= m_capacity) {
      for (int k = 0; k < length; k += 8)
        std::memcpy(to + k, from + k, 8);
    } else {
      for (int k = 0; k < length; ++k)
        to[k] = from[k];
    }
    dp += length;
  }
  // Input that ends before its end mark is damaged: the call fails, so that a reader sees the
  // error rather than a short end. A stream with no bytes at all is an empty stream (a packer
  // destroyed without data writes nothing).
  if (overrun()) {
    if (m_transferred == 0) {
      m_endOfData = true;
    } else {
      m_damaged = true;
      return -1;
    }
  }
  if (m_damaged)
    return -1;
  m_windowLength = dp;
  const int count = std::min(n, m_windowLength - m_consumed);
  if (count > 0)
    std::memcpy(out, m_window + m_consumed, static_cast<size_t>(count));
  m_consumed += std::max(count, 0);
  shrinkunpacked();
  return count;
}
