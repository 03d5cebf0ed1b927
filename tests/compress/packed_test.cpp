// Packed data: the bit stream, the packer's choices against hand-worked cases, round trips, and
// damaged input.
#include "basutpak.h"
#include "capture_manager.h"
#include "packed_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace packedtest;

namespace {

std::vector<Symbol> onlyBlock(const std::string &stream) {
  std::vector<Block> blocks;
  EXPECT_TRUE(parseStream(stream, &blocks));
  EXPECT_EQ(1u, blocks.size());
  return blocks.empty() ? std::vector<Symbol>() : blocks[0].symbols;
}

TEST(PackedBits, ValuesFillBytesFromTheLowBitUp) {
  MemoryDevice dev;
  {
    UT_PAKIO io(&dev);
    io.putbits(5, 3);
    io.putbits(0xABCD, 16);
    io.unload_next_buffer();
  }
  // 5 | 0xABCD << 3 = 0x55E6D, low byte first.
  EXPECT_EQ(std::string("\x6D\x5E\x05", 3), dev.data);
  MemoryDevice in(dev.data);
  UT_PAKIO io(&in);
  EXPECT_EQ(5u, io.getbits(3));
  EXPECT_EQ(0xABCDu, io.getbits(16));
  EXPECT_EQ(0u, io.getbits(5)); // the unused high bits of the last byte
  EXPECT_FALSE(io.overrun());
  EXPECT_EQ(0u, io.getbits(1));
  EXPECT_TRUE(io.overrun());
}

TEST(PackedBits, WholeBuffersGoToTheDevice) {
  MemoryDevice dev;
  UT_PAKIO io(&dev);
  for (int i = 0; i < 4096; ++i)
    io.putbits(static_cast<unsigned>(i & 0xFF), 8);
  EXPECT_EQ(4096u, dev.data.size());
  io.putbits(1, 1);
  io.unload_next_buffer();
  EXPECT_EQ(4097u, dev.data.size());
}

TEST(PackedChoices, RepeatedTripleIsThreeLiteralsAndOneReference) {
  const std::vector<Symbol> want = {lit('a'), lit('b'), lit('c'), ref(9, 3)};
  EXPECT_EQ(want, onlyBlock(pack({"abcabcabcabc"})));
  std::vector<Block> blocks;
  ASSERT_TRUE(parseStream(pack({"abcabcabcabc"}), &blocks));
  std::vector<int> weights(317, 0);
  weights['a'] = weights['b'] = weights['c'] = 1;
  weights[256] = 1;
  weights[257 + 6] = 1; // length 9: row 6
  weights[286 + 3] = 1; // distance 3: row 3
  EXPECT_EQ(weights, blocks[0].weights);
  EXPECT_EQ("abcabcabcabc", unpack(pack({"abcabcabcabc"}), 100));
  // Byte for byte as the format's own model writes those four symbols.
  EXPECT_EQ(writeStream({want}), pack({"abcabcabcabc"}));
  std::vector<Symbol> run(79, lit('x'));
  run.push_back(ref(321, 1));
  EXPECT_EQ(writeStream({run}), pack({std::string(400, 'x')}));
}

TEST(PackedChoices, RunOf400IsLazyUntilTheNextMatchIsShorter) {
  std::vector<Symbol> want(79, lit('x'));
  want.push_back(ref(321, 1));
  EXPECT_EQ(want, onlyBlock(pack({std::string(400, 'x')})));
}

TEST(PackedChoices, ReferencesReachIntoTheEarlierBlock) {
  const std::string a = "The rain in Spain stays mainly in the plain. ";
  std::vector<Block> blocks;
  ASSERT_TRUE(parseStream(pack({a, a}), &blocks));
  ASSERT_EQ(2u, blocks.size());
  // The second block is one reference back over the first (lengths up to the block's end).
  ASSERT_FALSE(blocks[1].symbols.empty());
  EXPECT_EQ(-1, blocks[1].symbols[0].literal);
  EXPECT_EQ(static_cast<int>(a.size()), blocks[1].symbols[0].distance);
  // Handed out in small pieces across calls.
  EXPECT_EQ(a + a, unpack(pack({a, a}), 7));
}

TEST(PackedChoices, WeightsAboveTheCapAreSentAsTheCap) {
  // 'ab' repeated: the match one position on always reaches as far, so every byte but the last
  // few is a literal: far more than 32768 of each in one block.
  std::string data;
  while (data.size() < 70000)
    data += "ab";
  std::vector<Block> blocks;
  const std::string packed = pack({data});
  ASSERT_TRUE(parseStream(packed, &blocks));
  ASSERT_EQ(1u, blocks.size());
  EXPECT_EQ(32768, blocks[0].weights['a']);
  EXPECT_EQ(32768, blocks[0].weights['b']);
  EXPECT_EQ(data, unpack(packed, 1 << 20));
}

TEST(PackedStream, EmptyStreamWritesNothing) {
  MemoryDevice dev;
  { UTPAK_DATA p(&dev, 0, 0); }
  EXPECT_TRUE(dev.data.empty());
}

TEST(PackedStream, RoundTripsInManyPieces) {
  std::mt19937 rng(9);
  std::string text;
  for (int i = 0; text.size() < 300000; ++i)
    text += "record " + std::to_string(rng() % 5000) + " value=" + std::to_string(i % 97) + "\n";
  std::string random(70000, 0);
  for (char &c : random)
    c = static_cast<char>(rng());
  for (const std::string &data : {std::string("z"), text, random, text + random + text}) {
    std::vector<std::string> pieces;
    for (size_t at = 0; at < data.size(); at += 16384)
      pieces.push_back(data.substr(at, 16384));
    const std::string packed = pack(pieces);
    for (int piece : {1, 4096, 100000}) {
      if (piece == 1 && data.size() > 100000)
        continue;
      bool failed = true;
      EXPECT_EQ(data, unpack(packed, piece, &failed)) << data.size() << "/" << piece;
      EXPECT_FALSE(failed);
    }
  }
}

TEST(PackedStream, SkewedDataRoundTripsAcrossSizes) {
  // Bytes of geometric frequencies (byte k about half as often as k - 1) give literal codes
  // longer than any decoding table and a new tree every 16384-byte block; runs and repeats mix
  // in back-references. Sizes straddle the 4096-byte device buffer and the block size.
  std::mt19937 rng(11);
  std::string skewed;
  while (skewed.size() < 400000) {
    unsigned k = 0;
    while (k < 40 && (rng() & 1))
      ++k;
    skewed += static_cast<char>(k * 5 + 1);
    if (rng() % 50 == 0)
      skewed += skewed.substr(skewed.size() / 2, rng() % 300);
  }
  for (size_t size :
       {size_t(2), size_t(4095), size_t(4097), size_t(16385), size_t(70001), skewed.size()}) {
    const std::string data = skewed.substr(0, size);
    std::vector<std::string> pieces;
    for (size_t at = 0; at < data.size(); at += 16384)
      pieces.push_back(data.substr(at, 16384));
    const std::string packed = pack(pieces);
    for (int piece : {777, 65536}) {
      bool failed = true;
      EXPECT_EQ(data, unpack(packed, piece, &failed)) << size << "/" << piece;
      EXPECT_FALSE(failed);
    }
  }
}

TEST(PackedStream, UnpakAfterTheEndMarkGivesZero) {
  MemoryDevice dev(pack({"hello hello hello"}));
  UTPAK_DATA p(&dev, '1', '2');
  char buf[64];
  EXPECT_EQ(17, p.unpak(buf, 64)); // meets the end mark: the bytes before it
  EXPECT_EQ(0, p.unpak(buf, 64));
  EXPECT_EQ(0, p.unpak(buf, 64));
}

TEST(PackedStream, TruncatedInputEndsWithAnError) {
  std::string data;
  for (int i = 0; i < 20000; ++i)
    data += static_cast<char>('a' + (i * i) % 17);
  const std::string packed = pack({data});
  for (size_t cut : {size_t(1), packed.size() / 3, packed.size() - 1}) {
    bool failed = false;
    const std::string got = unpack(packed.substr(0, cut), 1000, &failed);
    EXPECT_TRUE(failed) << cut; // at the latest where the end mark should be
    if (cut < packed.size() / 2) {
      EXPECT_LT(got.size(), data.size()) << cut;
    }
    EXPECT_EQ(data.substr(0, got.size()), got) << cut;
  }
}

TEST(PackedStream, InputWithoutAnyBytesIsAnEmptyStream) {
  bool failed = true;
  EXPECT_EQ("", unpack("", 100, &failed));
  EXPECT_FALSE(failed);
}

TEST(PackedDeath, ReferenceBeforeTheDataIsFatal) {
  const std::string bogus = writeStream({{lit('a'), ref(3, 2)}});
  EXPECT_EXIT(unpack(bogus, 10), ::testing::ExitedWithCode(1),
              "Bogus offset reading packed[[:space:]]+data");
  EXPECT_EXIT(
      {
        MemoryDevice d;
        UTPAK_DATA p(&d, '3', '2');
      },
      ::testing::ExitedWithCode(1), "Unknown compression type");
}

TEST(PackedStream, DamageReportedAsAnErrorFailsTheCall) {
  // What a stream asks for: the same report as an error, -1, and none of the call's bytes; the
  // decoder stays failed.
  porttest::CaptureManager cap;
  porttest::ScopedManager scoped(&cap);
  MemoryDevice d(writeStream({{lit('a'), lit('b'), ref(3, 2), ref(4, 9)}}));
  UTPAK_DATA p(&d, '1', '2');
  p.setdamageerror(true);
  char buf[64];
  std::memset(buf, '-', sizeof buf);
  EXPECT_EQ(-1, p.unpak(buf, 64));
  EXPECT_EQ(std::string(64, '-'), std::string(buf, 64));
  EXPECT_EQ(-1, p.unpak(buf, 64));
  const auto messages = cap.entries();
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(Port_MsgMan::MSG_ERROR, messages[0].type);
  EXPECT_NE(std::wstring::npos, messages[0].lines[0].find(L"Bogus offset reading packed data."));
}

TEST(PackedModel, HandWrittenStreamsUnpack) {
  // Overlapping reference: 'ab' then 6 more bytes from distance 2.
  EXPECT_EQ("abababab", unpack(writeStream({{lit('a'), lit('b'), ref(6, 2)}}), 100));
  EXPECT_EQ("", unpack(writeStream({}), 100));
}

} // namespace
