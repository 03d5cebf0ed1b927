// basutpakio.cpp - UT_PAKIO: the bit stream of the classic packed-data codec over a compressed
// file device.
//
// Bit format: bits fill each byte from its least significant bit upwards; a value of n bits is
// written least significant bit first. The device receives whole 4096-byte buffers, and at the
// end of a stream the filled part with its last partial byte (unused high bits 0).
//
// Reading keeps up to 56 unread bits in a register, least significant first, with a marker bit
// just above them; the register is topped up with whole bytes from the buffer, eight at a time
// where the buffer has them, and the buffer is refilled, 4096 bytes at a time, only when a read
// needs bits that register and buffer no longer hold.
#include "basutpak.h"

#include "Port_MsgManData.h"
#include "basutio.h"

#include <algorithm>
#include <cstring>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const int kBufferSize = 4096;
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the register is topped up by words");
} // namespace

UT_PAKIO::UT_PAKIO(UT_IO_DEVICE *device)
    : m_state(Untouched), m_device(device), m_buffer(new unsigned char[kBufferSize]),
      m_current(m_buffer), m_end(m_buffer + kBufferSize - 1), m_size(kBufferSize), m_available(0),
      m_register(0), m_mask(1), m_transferred(0), m_overrun(false) {
  m_buffer[0] = 0;
}

UT_PAKIO::~UT_PAKIO() { delete[] m_buffer; }

void UT_PAKIO::putbits(unsigned value, unsigned n) {
  // As many bits at once as the current byte has room for, from the bit the mask marks.
  while (n) {
    const unsigned used = static_cast<unsigned>(__builtin_ctz(m_mask));
    const unsigned take = std::min(n, 8 - used);
    *m_current |= static_cast<unsigned char>((value & ((1u << take) - 1)) << used);
    value >>= take;
    n -= take;
    if (used + take < 8) {
      m_mask = static_cast<uint8_t>(1u << (used + take));
      return;
    }
    m_mask = 1;
    if (++m_current > m_end)
      unload_next_buffer();
    else
      *m_current = 0;
  }
}

void UT_PAKIO::unload_next_buffer() {
  const int32_t filled = static_cast<int32_t>(m_current - m_buffer);
  if (filled == 0 && m_mask == 1)
    return;
  const int32_t count = filled + (m_mask != 1 ? 1 : 0);
  if (m_state == Untouched)
    m_state = Writing;
  m_transferred += filled;
  const int put = m_device->set_rawdata(m_buffer, static_cast<unsigned>(count));
  m_available = static_cast<uint32_t>(put);
  if (put != count)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueFatal(1, "Unable to write compressed data.\n");
  m_current = m_buffer;
  *m_current = 0;
}

void UT_PAKIO::load_next_buffer() {
  const int got = m_device->get_rawdata(m_buffer, static_cast<unsigned>(m_size));
  if (m_state == Untouched)
    m_state = Reading;
  m_current = m_buffer;
  if (got <= 0) {
    m_state = Exhausted;
    m_available = 0;
    m_register = 0;
    return;
  }
  if (got < m_size)
    m_state = LastBlockRead;
  m_available = static_cast<uint32_t>(got);
  m_transferred += got;
}

void UT_PAKIO::top_up_register() {
  int have = find_marker_bit();
  uint64_t bits = have ? m_register & ~(uint64_t(1) << have) : 0;
  if (m_available >= 8) {
    // As many whole bytes as fit under the marker's top place, bit 63, in one load.
    const unsigned take = static_cast<unsigned>(63 - have) / 8;
    if (take) {
      uint64_t word;
      std::memcpy(&word, m_current, 8);
      bits |= (word & ((uint64_t(1) << (8 * take)) - 1)) << have;
      m_current += take;
      m_available -= take;
      have += static_cast<int>(8 * take);
    }
  } else {
    while (have <= 55 && m_available > 0) {
      bits |= uint64_t(*m_current++) << have;
      have += 8;
      --m_available;
    }
  }
  m_register = bits | (uint64_t(1) << have);
}

void UT_PAKIO::slow_load_register() {
  if (m_available == 0) {
    if (m_state == Exhausted) {
      m_register = 0;
      return;
    }
    load_next_buffer();
    if (m_available == 0)
      return;
  }
  top_up_register();
}

unsigned UT_PAKIO::getbitsslow(unsigned n) {
  unsigned result = 0, got = 0;
  while (got < n) {
    int have = find_marker_bit();
    if (static_cast<unsigned>(have) < n - got) {
      top_up_register();
      have = find_marker_bit();
    }
    if (have == 0) {
      // The buffer is used up: only now is the device asked for more.
      slow_load_register();
      have = find_marker_bit();
      if (have == 0) {
        m_overrun = true;
        return result;
      }
    }
    const unsigned take = std::min(static_cast<unsigned>(have), n - got);
    result |= static_cast<unsigned>(m_register & ((uint64_t(1) << take) - 1)) << got;
    m_register >>= take;
    got += take;
  }
  return result;
}
