// des.cpp - DES over S-and-P tables. Bits are numbered as in the standard: bit 1 is
// the most significant bit of the first byte. A round takes the six-bit S-box inputs of the
// expansion straight from two rotations of the right half (the input of S-box i is bits 4i to
// 4i+5 of the half taken cyclically, bit 0 being bit 32), and each S-box's table gives its four
// output bits already moved by the permutation P. The initial and final permutations are five
// exchanges of bit groups between the halves.
#include "compress/des.h"

namespace des {
namespace {

const uint8_t kS[8][64] = {
    {14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7,  0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8,
     4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0,  15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13},
    {15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10,  3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15,  13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8,  13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1,
     13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7,  1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12},
    {7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15,  13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9,
     10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4,  3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14},
    {2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9,  14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6,
     4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14,  11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3},
    {12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11,  10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8,
     9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6,  4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13},
    {4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1,  13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6,
     1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2,  6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12},
    {13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7,  1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2,
     7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8,  2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}};
const uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                        2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
const uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
const uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                          26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                          51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
const uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// The weak and semi-weak keys, parity bits cleared.
const uint8_t kWeak[16][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE},
    {0xE0, 0xE0, 0xE0, 0xE0, 0xF0, 0xF0, 0xF0, 0xF0}, {0x1E, 0x1E, 0x1E, 0x1E, 0x0E, 0x0E, 0x0E, 0x0E},
    {0x00, 0x1E, 0x00, 0x1E, 0x00, 0x0E, 0x00, 0x0E}, {0x1E, 0x00, 0x1E, 0x00, 0x0E, 0x00, 0x0E, 0x00},
    {0x00, 0xE0, 0x00, 0xE0, 0x00, 0xF0, 0x00, 0xF0}, {0xE0, 0x00, 0xE0, 0x00, 0xF0, 0x00, 0xF0, 0x00},
    {0x00, 0xFE, 0x00, 0xFE, 0x00, 0xFE, 0x00, 0xFE}, {0xFE, 0x00, 0xFE, 0x00, 0xFE, 0x00, 0xFE, 0x00},
    {0x1E, 0xE0, 0x1E, 0xE0, 0x0E, 0xF0, 0x0E, 0xF0}, {0xE0, 0x1E, 0xE0, 0x1E, 0xF0, 0x0E, 0xF0, 0x0E},
    {0x1E, 0xFE, 0x1E, 0xFE, 0x0E, 0xFE, 0x0E, 0xFE}, {0xFE, 0x1E, 0xFE, 0x1E, 0xFE, 0x0E, 0xFE, 0x0E},
    {0xE0, 0xFE, 0xE0, 0xFE, 0xF0, 0xFE, 0xF0, 0xFE}, {0xFE, 0xE0, 0xFE, 0xE0, 0xFE, 0xF0, 0xFE, 0xF0}};

// Made by the compiler: nothing runs at start-up.
struct Tables {
  uint32_t sp[8][64] = {}; // S-box i's output for a six-bit input, moved by P
  constexpr Tables() {
    for (int i = 0; i < 8; ++i)
      for (int v = 0; v < 64; ++v) {
        const int row = ((v >> 4) & 2) | (v & 1), column = (v >> 1) & 15;
        const uint32_t before = uint32_t(kS[i][row * 16 + column]) << (28 - 4 * i);
        uint32_t after = 0;
        for (int j = 0; j < 32; ++j)
          if (before & (0x80000000u >> (kP[j] - 1)))
            after |= 0x80000000u >> j;
        sp[i][v] = after;
      }
  }
};
constexpr Tables kTables;

inline uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t load32(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline void store32(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
// Exchanges the bits of b selected by m with those of a selected by m << n.
inline void exchange(uint32_t &a, uint32_t &b, int n, uint32_t m) {
  const uint32_t t = ((a >> n) ^ b) & m;
  b ^= t;
  a ^= t << n;
}
inline void initialPermutation(uint32_t &l, uint32_t &r) {
  exchange(l, r, 4, 0x0F0F0F0Fu);
  exchange(l, r, 16, 0x0000FFFFu);
  exchange(r, l, 2, 0x33333333u);
  exchange(r, l, 8, 0x00FF00FFu);
  exchange(l, r, 1, 0x55555555u);
}
inline void finalPermutation(uint32_t &l, uint32_t &r) {
  exchange(l, r, 1, 0x55555555u);
  exchange(r, l, 8, 0x00FF00FFu);
  exchange(r, l, 2, 0x33333333u);
  exchange(l, r, 16, 0x0000FFFFu);
  exchange(l, r, 4, 0x0F0F0F0Fu);
}
inline uint32_t f(uint32_t r, uint32_t even, uint32_t odd) {
  const uint32_t(*sp)[64] = kTables.sp;
  const uint32_t u = rotl(r, 5) ^ even, t = rotl(r, 9) ^ odd;
  return sp[0][u & 63] ^ sp[2][(u >> 24) & 63] ^ sp[4][(u >> 16) & 63] ^ sp[6][(u >> 8) & 63] ^
         sp[1][t & 63] ^ sp[3][(t >> 24) & 63] ^ sp[5][(t >> 16) & 63] ^ sp[7][(t >> 8) & 63];
}
// Sixteen rounds over the halves after the initial permutation; the halves come back exchanged
// as the final permutation wants them.
template <bool kDecrypt> inline void rounds(const Schedule &s, uint32_t &l, uint32_t &r) {
  for (int i = 0; i < 16; i += 2) {
    const int a = kDecrypt ? 15 - i : i, b = kDecrypt ? 14 - i : i + 1;
    l ^= f(r, s.even[a], s.odd[a]);
    r ^= f(l, s.even[b], s.odd[b]);
  }
  const uint32_t t = l;
  l = r;
  r = t;
}
// Two independent blocks at once, so that the processor overlaps their rounds.
template <bool kDecrypt>
inline void rounds2(const Schedule &s, uint32_t &l0, uint32_t &r0, uint32_t &l1, uint32_t &r1) {
  for (int i = 0; i < 16; i += 2) {
    const int a = kDecrypt ? 15 - i : i, b = kDecrypt ? 14 - i : i + 1;
    l0 ^= f(r0, s.even[a], s.odd[a]);
    l1 ^= f(r1, s.even[a], s.odd[a]);
    r0 ^= f(l0, s.even[b], s.odd[b]);
    r1 ^= f(l1, s.even[b], s.odd[b]);
  }
  uint32_t t = l0;
  l0 = r0;
  r0 = t;
  t = l1;
  l1 = r1;
  r1 = t;
}

} // namespace

bool setKey(Schedule &s, const uint8_t key[8]) {
  auto bit = [key](int n) { return (key[(n - 1) / 8] >> (7 - (n - 1) % 8)) & 1; };
  uint32_t c = 0, d = 0; // 28 bits each
  for (int i = 0; i < 28; ++i) {
    c = c << 1 | uint32_t(bit(kPC1[i]));
    d = d << 1 | uint32_t(bit(kPC1[28 + i]));
  }
  for (int round = 0; round < 16; ++round) {
    for (int k = 0; k < kShifts[round]; ++k) {
      c = ((c << 1) | (c >> 27)) & 0x0FFFFFFFu;
      d = ((d << 1) | (d >> 27)) & 0x0FFFFFFFu;
    }
    const uint64_t cd = uint64_t(c) << 28 | d; // bit 1 of the 56 is bit 55 here
    uint32_t chunk[8] = {};
    for (int j = 0; j < 48; ++j)
      chunk[j / 6] = chunk[j / 6] << 1 | uint32_t((cd >> (56 - kPC2[j])) & 1);
    s.even[round] = chunk[0] | chunk[2] << 24 | chunk[4] << 16 | chunk[6] << 8;
    s.odd[round] = chunk[1] | chunk[3] << 24 | chunk[5] << 16 | chunk[7] << 8;
  }
  for (const auto &weak : kWeak) {
    bool same = true;
    for (int i = 0; i < 8; ++i)
      same = same && (key[i] & 0xFE) == weak[i];
    if (same)
      return false;
  }
  return true;
}

void encryptBlock(const Schedule &s, uint8_t out[8], const uint8_t in[8]) {
  uint32_t l = load32(in), r = load32(in + 4);
  initialPermutation(l, r);
  rounds<false>(s, l, r);
  finalPermutation(l, r);
  store32(out, l);
  store32(out + 4, r);
}

void cbcEncrypt(const Schedule &s, uint8_t iv[8], uint8_t *buf, size_t n) {
  uint32_t cl = load32(iv), cr = load32(iv + 4);
  for (size_t at = 0; at + kBlock <= n; at += kBlock) {
    uint32_t l = load32(buf + at) ^ cl, r = load32(buf + at + 4) ^ cr;
    initialPermutation(l, r);
    rounds<false>(s, l, r);
    finalPermutation(l, r);
    store32(buf + at, l);
    store32(buf + at + 4, r);
    cl = l;
    cr = r;
  }
  store32(iv, cl);
  store32(iv + 4, cr);
}

void cbcDecrypt(const Schedule &s, uint8_t iv[8], uint8_t *buf, size_t n) {
  uint32_t cl = load32(iv), cr = load32(iv + 4);
  size_t at = 0;
  for (; at + 2 * kBlock <= n; at += 2 * kBlock) {
    const uint32_t c0l = load32(buf + at), c0r = load32(buf + at + 4);
    const uint32_t c1l = load32(buf + at + 8), c1r = load32(buf + at + 12);
    uint32_t l0 = c0l, r0 = c0r, l1 = c1l, r1 = c1r;
    initialPermutation(l0, r0);
    initialPermutation(l1, r1);
    rounds2<true>(s, l0, r0, l1, r1);
    finalPermutation(l0, r0);
    finalPermutation(l1, r1);
    store32(buf + at, l0 ^ cl);
    store32(buf + at + 4, r0 ^ cr);
    store32(buf + at + 8, l1 ^ c0l);
    store32(buf + at + 12, r1 ^ c0r);
    cl = c1l;
    cr = c1r;
  }
  for (; at + kBlock <= n; at += kBlock) {
    const uint32_t c0l = load32(buf + at), c0r = load32(buf + at + 4);
    uint32_t l = c0l, r = c0r;
    initialPermutation(l, r);
    rounds<true>(s, l, r);
    finalPermutation(l, r);
    store32(buf + at, l ^ cl);
    store32(buf + at + 4, r ^ cr);
    cl = c0l;
    cr = c0r;
  }
  store32(iv, cl);
  store32(iv + 4, cr);
}

} // namespace des
