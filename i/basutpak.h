// basutpak.h - the classic packed-data codec: UT_PAKIO, the bit reader and writer over a
// compressed file device, and UTPAK_DATA, which packs a byte stream into blocks of Huffman-coded
// literals and back-references over a 32 KiB window and unpacks it again.
//
// An object packs or unpacks, never both. Threads: an object belongs to one device and is not
// locked.
#ifndef BASUTPAK_H
#define BASUTPAK_H

#include "Port_Export.h"

#include <cstdint>
#include <memory>
#include <vector>

class UT_IO_DEVICE;
class UTHUF_TREE;
class UTHUF_ADAPTIVETREE;

// One row of a base-and-extra-bits table; each table ends with a terminator row.
struct PORT_API UTPAK_LENGTH {
  int32_t base;
  int32_t extra;
};

// The last row whose base is not above value.
PORT_API const UTPAK_LENGTH *findlength(const UTPAK_LENGTH *table, int value);
PORT_API extern const UTPAK_LENGTH utpak_lengths[30];   // lengths 3..321, symbols 257..285
PORT_API extern const UTPAK_LENGTH utpak_distances[32]; // distances and weights 0..32768

class PORT_API UT_PAKIO {
public:
  enum { Untouched = 0, Reading = 1, LastBlockRead = 2, Exhausted = 3, Writing = 4 };
  explicit UT_PAKIO(UT_IO_DEVICE *device);
  UT_PAKIO(const UT_PAKIO &) = delete;
  UT_PAKIO &operator=(const UT_PAKIO &) = delete;
  virtual ~UT_PAKIO();

  // Writes the low n (at most 32) bits of value, least significant first.
  void putbits(unsigned value, unsigned n);
  // Reads n (at most 32) bits, least significant first. Bits past the end of the input read as
  // 0 and set overrun().
  unsigned getbits(unsigned n) {
    unsigned bits;
    if (n <= 24 && peekbits(n, bits)) {
      dropbits(n);
      return bits;
    }
    return getbitsslow(n);
  }
  // getbits across the end of the register: refills it, from the device when needed.
  unsigned getbitsslow(unsigned n);
  void load_next_buffer();
  void slow_load_register();
  // Moves whole bytes from the buffer into the register while it has room for them.
  void top_up_register();
  int find_marker_bit() const { return m_register <= 1 ? 0 : 63 - __builtin_clzll(m_register); }
  void unload_next_buffer();

  // Table decoding: the next n (at most 24) bits into bits, without reading them, when the
  // register holds them after topping it up from the buffer (never from the device); false
  // otherwise (the end of a buffer or of the input), when getbits must go on.
  bool peekbits(unsigned n, unsigned &bits) {
    // The marker is at bit n or above exactly when n bits are held.
    if ((m_register >> n) == 0) {
      top_up_register();
      if ((m_register >> n) == 0)
        return false;
    }
    bits = static_cast<unsigned>(m_register) & ((1u << n) - 1);
    return true;
  }
  // Drops n bits that peekbits has shown.
  void dropbits(unsigned n) { m_register >>= n; }

  // A read asked for bits that the input does not have.
  bool overrun() const { return m_overrun; }
  int32_t gettransferred() const { return m_transferred; }

protected:
  int32_t m_state;
  UT_IO_DEVICE *m_device;
  unsigned char *m_buffer;
  unsigned char *m_current;
  unsigned char *m_end;
  int32_t m_size;
  uint32_t m_available;
  // Unread bits, least significant first, under a marker bit; up to 56 of them.
  uint64_t m_register;
  uint8_t m_mask;
  int32_t m_transferred;
  bool m_overrun;
};

class PORT_API UTPAK_DATA : public UT_PAKIO {
public:
  // type: the packer ('1'; 0 means '1', anything else is fatal); hufversion: the Huffman trees'
  // version ('1' or '2'; 0 means '2').
  UTPAK_DATA(UT_IO_DEVICE *device, char type, char hufversion);
  // A packing object ends its stream (end mark, last byte) and flushes it.
  ~UTPAK_DATA() override;

  // Packs n bytes as one block.
  void pak(char *data, int n);
  // Up to n unpacked bytes; 0 at the end of the data (or for input without any bytes); -1 from
  // the call that meets input ending before its end mark, and from every call after it.
  // A back-reference outside the decoded data is a fatal report, unless damage is reported as
  // an error (setdamageerror): then it is an error report and -1 as for truncated input. In
  // both cases the call that meets damage hands out none of its bytes.
  int unpak(char *out, int n);
  // For a reader that passes failures on to its own caller (a stream): damaged data is reported
  // as an error, not as a fatal one that ends the process.
  void setdamageerror(bool on) { m_damageError = on; }

  char gettype() const { return m_type; }
  char gethufversion() const;

  int gethash(int pos) const;
  bool findlongestmatch(int pos, int &match, int &length);
  void shrinkunpacked();

private:
  void growwindow(int size);
  void sendweights(const int32_t *weights);
  bool readweights();

  char m_type;
  bool m_endOfData;
  unsigned char *m_window;
  int32_t m_windowLength;
  int32_t m_consumed;
  UTHUF_ADAPTIVETREE *m_weightCoder;
  UTHUF_TREE *m_literals;
  UTHUF_TREE *m_distances;
  // Hash chains of window positions, newest first: m_head[hash] is the newest position of the
  // hash (-1: none), m_older[pos] the next older one of pos's chain. Made by the first pak, so
  // they also mark a packing object.
  std::unique_ptr<int32_t[]> m_head;
  std::vector<int32_t> m_older;
  int32_t m_capacity;
  bool m_damaged;
  bool m_damageError;
};

#endif
