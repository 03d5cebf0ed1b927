// Classic compressed files worked out from the format, bit by bit and apart from the packer, so
// that the packer is held to the format and not to its own earlier output.
//
// File: the signature 5A 5A A5 A5 C3 C3 71, the Huffman character '2' (32), the packing
// character '1' (31), then the packed stream. Stream bits fill each byte from its lowest bit up;
// a Huffman code goes out root edge first, 0 for a left child and 1 for a right one.
//
// --- The trees as insertion builds them ------------------------------------------------------
//
// Equal weights. Inserting leaf 1 beside the root leaf 0 puts the new leaf on the left: codes
// 1 -> "0", 0 -> "1". From then on each new leaf descends towards the lighter child, the right
// one on a tie, and splits the leaf it meets into (old leaf left, new leaf right). With 2^k
// leaves in place the tree is perfect, and leaf 2^k + j lands where the path takes, level t from
// the root, the right child when bit t of j is 0 and the left one when it is 1. Hence, in a tree
// of 2^K leaves, the code of v >= 2 is the K bits of v lowest first, with those below v's top
// bit inverted; 0 is "10...0" and 1 is "00...0". The weight coder (32 values) starts so:
//   row 0 -> 10000, row 1 -> 00000, row 2 -> 11000, ..., row 8 -> 11110, ..., row 31 -> 00001.
// The literal/length tree (286 values) is the perfect tree of 256 leaves with the positions of
// j = 0..29 split for leaves 256..285; j = 0 is the all-right path, so 256 -> 111111111.
//
// Zero weights. A leaf of weight 0 descends through the lighter child (the right one on a tie)
// only while that child is internal and weighs more than 0; the first child that is a leaf or
// weighs 0 is split. Leaves of weight 0 thus pile up as chains N(..N(N(a,b),c)..,z) beside the
// few leaves of weight 1. For the weights of "abcabcabcabc" (97, 98, 99, 256 and 263 weigh 1,
// the rest 0), step by step:
//   0..96:    root(1, C) with C the chain N(..N(N(0,2),3)..,96), all of weight 0
//   97:       right child C (tie at 0) is not heavier than 1: root(1, N(C,97))
//   98:       left leaf 1 is lighter: root(N(1,98), N(C,97))
//   99:       tie at 1, right N(C,97) is not heavier than 1: it becomes N(N(C,97),99)
//   100..255: the lighter left N(1,98) weighs 1 > 0, so leaf 1 beneath it is split, then the
//             chain D = N(..N(N(1,100),101)..,255) grows there: left child N(D,98)
//   256:      left (1) is lighter and not heavier than 1: left child N(N(D,98),256)
//   257..262: tie at 2, right; its lighter-or-right child is leaf 99, which becomes the chain
//             N(99, E) with E = N(..N(257,258)..,262)
//   263:      tie at 2, right (weight 2 > 1); tie at 1 below it, right N(99,E) is split:
//             N(N(99,E),263)
//   264..285: the lighter left side; leaf 256 there becomes N(256, F), F = chain of 264..285
// Final tree: root( N(N(D,98), N(256,F)), N(N(C,97), N(N(99,E),263)) ), so
//   'a' (97) -> 101, 'b' (98) -> 001, 'c' (99) -> 1100, 263 -> 111, 256 -> 010.
// The distance tree (row 3 weighs 1): root(1, N(0,2)) after 0..2; 3 splits the right child
// (tie at 0): root(1, N(N(0,2),3)); 4..30 pile up on the lighter left. Row 3 -> 11.
// For "a" (97 and 256 weigh 1): root(1, N(C,97)) as above; 98..255 chain on the left leaf 1
// (lighter); 256 splits that chain (left, 0 < 1): root(N(G,256), N(C,97)); 257..285 chain on C
// under the right side. 'a' -> 11, 256 -> 01.
//
// --- The weight coder ------------------------------------------------------------------------
//
// Each of the 317 weights is sent as its row (0 for weight 0, 1 for weight 1; neither has extra
// bits), and after each the coder's leaf of that row is updated. The node list starts sorted by
// the version-2 partition sort; its last entries of weights 1, 2, 4, 8 and 16 are leaf 8,
// node 0100, node 011, node 01 and node 0. First update, row 0 (at 10000): all leaves weigh 1
// and lie at depth 5, so the last entry (leaf 8, at 11110) is the pick and row 0 trades places
// with it, weight 2; its parent (node 1111) trades with node 0100, weight 3; that one's parent
// (node 010) trades with node 011, weight 5; nodes 01 and 0 are already last and just grow.
// Row 0 is then at 01100. Row 0 climbs so with every update; row 1 and row 31 are moved by the
// updates of row 0 and their own. The codes sent, in order:
//   weights 0..96 (row 0):   10000 01100 0001 0110 110 000 011 011 10 11 00 00,
//                            then 01 seven times, 1 twelve times, 0 sixty-six times
//   "abcabcabcabc":          97: 110000, 98: 10001, 99: 1001, 100..255: 0 (156 times),
//                            256: 1000, 257..262: 0 (6), 263: 1011, 264..288: 0 (25),
//                            distance row 3 (weight 289): 1100, 290..316: 0 (27),
//                            end of stream (row 31): 101101
//   "a":                     97: 110000, 98..255: 0 (158 times), 256: 10001,
//                            257..316: 0 (60), end of stream (row 31): 110001
//
// --- The streams -----------------------------------------------------------------------------
//
// "abcabcabcabc" is 'a', 'b', 'c' and a back-reference of length 9 (length row 6, symbol 263, no
// extra bits) at distance 3 (distance row 3, no extra bits): at position 3 the match at
// distance 3 runs to the end (9 bytes); the one at position 4 is shorter (8), so no literal is
// put first. Its bits:
//   0-8      256 in the initial literal/length tree   111111111
//   9-138    weights 0..96                            as above (130 bits)
//   139-379  weights 97..316                          as above (241 bits)
//   380-394  a, b, c, 263, distance row 3             101 001 1100 111 11
//   395-403  end: 256, then row 31                    010 101101
// 404 bits, 51 bytes; the last byte's four high bits are 0. In groups of eight, each group read
// from its last bit to its first to give the byte:
//   bytes 0-7:    11111111 11000001 10000010 11011000 -> FF 83 41 1B
//                 00110111 01100000 10101010 10101111 -> EC 06 55 F5
//   bytes 8-19:   11111111 10000000, 7 x 00000000     -> FF 01, 7 x 00
//                 00011000 01000110 01000000          -> 18 62 02
//   bytes 20-43:  18 x 00000000                       -> 18 x 00
//                 00000010 00000000 10110000          -> 40 00 0D
//                 00000000 00000000 00000110          -> 00 00 60
//   bytes 44-50:  00000000 00000000 00000000 00001010 -> 00 00 00 50
//                 01110011 11101010 1101              -> CE 57 0B
// "a": one literal. Bits 0-138 as above, 139-367 the weights 97..316, 368-369 'a' (11),
// 370-377 the end (01, 110001): 378 bits, 48 bytes.
// An empty file is the header alone: a packer that was never given data writes nothing.
#include "Port_File.h"
#include "basutio.h"
#include "basutstream.h"
#include "compress_test_util.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::vector<unsigned char> kHeader = {0x5A, 0x5A, 0xA5, 0xA5, 0xC3, 0xC3, 0x71, 0x32, 0x31};

// Bits 0-135: the code of 256 and the codes of weights 0..96 but the last three zero bits.
const std::vector<unsigned char> kPrefix = {
    0xFF, 0x83, 0x41, 0x1B, 0xEC, 0x06, 0x55, 0xF5, // bits 0-63
    0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // bits 64-127: code "0" from bit 73 on
    0x00};                                          // bits 128-135

// From bit 136 for "abcabcabcabc".
const std::vector<unsigned char> kAbcTail = {
    0x18, 0x62, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, // bits 136-199: 97, 98, 99 from bit 139
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // bits 200-263
    0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x0D, // bits 264-327: 256 at 310, 263 at 320
    0x00, 0x00, 0x60, 0x00, 0x00, 0x00, 0x50, 0xCE, // bits 328-391: row 3 at 349, symbols at 380
    0x57, 0x0B};                                    // bits 392-403: the end at 395

// From bit 136 for "a".
const std::vector<unsigned char> kOneByteTail = {
    0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // bits 136-199: 97 from bit 139
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // bits 200-263
    0x00, 0x00, 0x00, 0x00, 0x80, 0x08, 0x00, 0x00, // bits 264-327: 256 at 303
    0x00, 0x00, 0x00, 0x00, 0x00, 0x3B, 0x02};      // bits 328-377: 'a' at 368, the end at 370

std::string join(std::initializer_list<const std::vector<unsigned char> *> parts) {
  std::string out;
  for (const auto *p : parts)
    out.append(p->begin(), p->end());
  return out;
}

struct HandFile {
  const char *name;
  std::string input;
  std::string file;
};

std::vector<HandFile> handFiles() {
  return {{"empty", "", join({&kHeader})},
          {"one byte", "a", join({&kHeader, &kPrefix, &kOneByteTail})},
          {"abc four times", "abcabcabcabc", join({&kHeader, &kPrefix, &kAbcTail})}};
}

using porttest::slurp;

class ClassicFileTest : public ::testing::Test {
protected:
  void SetUp() override { UT_IO_DEVICE::DisableNewCompression(); }
  void TearDown() override { UT_IO_DEVICE::EnableNewCompression(); }
  porttest::TempTree tree;
};

TEST_F(ClassicFileTest, WritingGivesTheHandDerivedBytes) {
  for (const HandFile &h : handFiles()) {
    const std::string p = tree.root() + "/w.dat";
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Write | UT_STREAM::Compressed, 1);
    ASSERT_NE(nullptr, s) << h.name;
    // In two pieces, which the stream hands its packer as one block.
    const size_t half = h.input.size() / 2;
    EXPECT_EQ(half, s->write(compresstest::bytes(h.input), static_cast<unsigned>(half)));
    EXPECT_EQ(h.input.size() - half, s->write(compresstest::bytes(h.input) + half,
                                              static_cast<unsigned>(h.input.size() - half)));
    ASSERT_TRUE(Port_File::close(s)) << h.name;
    EXPECT_EQ(h.file, slurp(p)) << h.name;
  }
}

TEST_F(ClassicFileTest, ReadingTheHandDerivedBytesGivesTheInput) {
  for (const HandFile &h : handFiles()) {
    const std::string p = tree.write("r.dat", h.file);
    UT_STREAM *s = Port_File::open(p.c_str(), UT_STREAM::Read, 0);
    ASSERT_NE(nullptr, s) << h.name;
    std::string out;
    unsigned char buf[64];
    unsigned got;
    while ((got = s->read(buf, sizeof buf)) > 0)
      out.append(reinterpret_cast<char *>(buf), got);
    EXPECT_EQ(0, s->geterror()) << h.name;
    Port_File::close(s);
    EXPECT_EQ(h.input, out) << h.name;
  }
}

} // namespace
