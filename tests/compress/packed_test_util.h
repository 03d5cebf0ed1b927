// packed_test_util.h - an in-memory compressed device and a symbol-level model of the packed
// stream format, written from the format itself, so tests can look at what a packer chose and
// can make streams that the packer would never write.
#ifndef PORT_TEST_PACKED_UTIL_H
#define PORT_TEST_PACKED_UTIL_H

#include "basuthuff.h"
#include "basutio.h"
#include "basutpak.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace packedtest {

// Raw bytes in memory: writes append, reads consume from the front.
class MemoryDevice : public UT_IO_DEVICE {
public:
  MemoryDevice() : UT_IO_DEVICE(UT_IO_DEVICE_RAW) {}
  explicit MemoryDevice(const std::string &bytes) : UT_IO_DEVICE(UT_IO_DEVICE_RAW), data(bytes) {}
  int get_rawdata(unsigned char *buf, unsigned n) override {
    const size_t take = std::min<size_t>(n, data.size() - readAt);
    std::memcpy(buf, data.data() + readAt, take);
    readAt += take;
    return static_cast<int>(take);
  }
  int set_rawdata(unsigned char *buf, unsigned n) override {
    data.append(reinterpret_cast<char *>(buf), n);
    return static_cast<int>(n);
  }
  long set_rawoffset(long) override {
    readAt = 0;
    return 0;
  }
  long get_rawoffset() override { return static_cast<long>(readAt); }
  Port::FileDesc get_rawfd() override { return Port::FileDesc(); }
  bool writes_data() const override { return false; }
  std::string data;
  size_t readAt = 0;
};

// A symbol of a block: a literal byte, or a back-reference.
struct Symbol {
  int literal; // -1 for a reference
  int length;
  int distance;
  bool operator==(const Symbol &o) const {
    return literal == o.literal && length == o.length && distance == o.distance;
  }
};
inline Symbol lit(int b) { return {b, 0, 0}; }
inline Symbol ref(int length, int distance) { return {-1, length, distance}; }

struct Block {
  std::vector<int> weights; // 317
  std::vector<Symbol> symbols;
};

// The three trees of one stream, as both ends keep them.
struct Trees {
  explicit Trees(UT_PAKIO *io, char version = '2')
      : weights(32, io, version), literals(286, io, version), distances(31, io, version) {}
  void countWeightRow(int c) {
    weights.updatetree(weights.getleaf(c));
    if (weights.getroot()->probability > 0x7FF)
      weights.agenodes();
  }
  void setWeights(const std::vector<int> &w) {
    for (int i = 0; i < 286; ++i)
      literals.getleaf(i)->probability = w[i];
    for (int i = 0; i < 31; ++i)
      distances.getleaf(i)->probability = w[286 + i];
    literals.rebuild();
    distances.rebuild();
  }
  UTHUF_ADAPTIVETREE weights;
  UTHUF_TREE literals;
  UTHUF_TREE distances;
};

inline int rowOf(const UTPAK_LENGTH *table, int value) {
  return static_cast<int>(findlength(table, value) - table);
}

// Reads the blocks of a packed stream up to its end mark; false when the stream ends first.
inline bool parseStream(const std::string &bytes, std::vector<Block> *blocks) {
  MemoryDevice dev(bytes);
  UT_PAKIO io(&dev);
  Trees t(&io);
  Block *cur = nullptr;
  for (;;) {
    const unsigned s = t.literals.getword();
    if (io.overrun())
      return false;
    if (s < 256) {
      if (!cur)
        return false;
      cur->symbols.push_back(lit(static_cast<int>(s)));
    } else if (s == 256) {
      Block b;
      for (int i = 0; i < 317; ++i) {
        const int c = static_cast<int>(t.weights.getword());
        t.countWeightRow(c);
        if (c == 31)
          return !io.overrun();
        const UTPAK_LENGTH &r = utpak_distances[c];
        b.weights.push_back(r.base + static_cast<int>(r.extra ? io.getbits(r.extra) : 0));
      }
      t.setWeights(b.weights);
      blocks->push_back(b);
      cur = &blocks->back();
    } else {
      const UTPAK_LENGTH &lr = utpak_lengths[s - 257];
      const int length = lr.base + static_cast<int>(lr.extra ? io.getbits(lr.extra) : 0);
      const UTPAK_LENGTH &dr = utpak_distances[t.distances.getword()];
      const int distance = dr.base + static_cast<int>(dr.extra ? io.getbits(dr.extra) : 0);
      if (!cur)
        return false;
      cur->symbols.push_back(ref(length, distance));
    }
  }
}

// Writes blocks of chosen symbols (weights counted from them) and the end mark.
inline std::string writeStream(const std::vector<std::vector<Symbol>> &blocks) {
  MemoryDevice dev;
  {
    UT_PAKIO io(&dev);
    Trees t(&io);
    for (const auto &symbols : blocks) {
      std::vector<int> w(317, 0);
      w[256] = 1;
      for (const Symbol &s : symbols) {
        if (s.literal >= 0) {
          ++w[s.literal];
        } else {
          ++w[257 + rowOf(utpak_lengths, s.length)];
          ++w[286 + rowOf(utpak_distances, s.distance)];
        }
      }
      t.literals.putword(256);
      for (int v : w) {
        const int c = rowOf(utpak_distances, std::min(v, 32768));
        t.weights.putword(static_cast<unsigned>(c));
        t.countWeightRow(c);
        if (utpak_distances[c].extra)
          io.putbits(static_cast<unsigned>(v - utpak_distances[c].base), utpak_distances[c].extra);
      }
      t.setWeights(w);
      for (const Symbol &s : symbols) {
        if (s.literal >= 0) {
          t.literals.putword(static_cast<unsigned>(s.literal));
          continue;
        }
        const int i = rowOf(utpak_lengths, s.length), j = rowOf(utpak_distances, s.distance);
        t.literals.putword(static_cast<unsigned>(257 + i));
        if (utpak_lengths[i].extra)
          io.putbits(static_cast<unsigned>(s.length - utpak_lengths[i].base),
                     utpak_lengths[i].extra);
        t.distances.putword(static_cast<unsigned>(j));
        if (utpak_distances[j].extra)
          io.putbits(static_cast<unsigned>(s.distance - utpak_distances[j].base),
                     utpak_distances[j].extra);
      }
    }
    t.literals.putword(256);
    t.weights.putword(31);
    io.unload_next_buffer();
  }
  return dev.data;
}

// Packs each piece as one block; the whole stream.
inline std::string pack(const std::vector<std::string> &pieces) {
  MemoryDevice dev;
  {
    UTPAK_DATA p(&dev, '1', '2');
    for (const std::string &s : pieces)
      p.pak(const_cast<char *>(s.data()), static_cast<int>(s.size()));
  }
  return dev.data;
}

// Unpacks a whole stream in requests of the given size; -1 from unpak ends it with *failed.
inline std::string unpack(const std::string &bytes, int piece, bool *failed = nullptr) {
  MemoryDevice dev(bytes);
  UTPAK_DATA p(&dev, '1', '2');
  std::string out;
  std::vector<char> buf(static_cast<size_t>(piece));
  if (failed)
    *failed = false;
  for (;;) {
    const int got = p.unpak(buf.data(), piece);
    if (got < 0 && failed)
      *failed = true;
    if (got <= 0)
      return out;
    out.append(buf.data(), static_cast<size_t>(got));
  }
}

} // namespace packedtest

#endif
