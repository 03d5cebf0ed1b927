// basutpakio.cpp - UT_PAKIO: the bit stream of the classic packed-data codec over a compressed
// file device.
//
// Bit format: bits fill each byte from its least significant bit upwards; a value of n bits is
// written least significant bit first. The device receives whole 4096-byte buffers, and at the
// end of a stream the filled part with its last partial byte (unused high bits 0).
//
// Reading keeps up to 24 unread bits in a register, least significant first, with a marker bit
// just above them; the register is refilled three bytes at a time (two or one at the end of the
// buffer), the buffer 4096 bytes at a time.
#include "basutpak.h"

#include "Port_MsgManData.h"
#include "basutio.h"

#include <algorithm>

namespace {
const char *const kRevision = "$Revision: 1.1 $";
const int kBufferSize = 4096;
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
  const unsigned char *c = m_current;
  if (m_available >= 3) {
    m_register = c[0] | (uint32_t(c[1]) << 8) | (uint32_t(c[2]) << 16) | (1u << 24);
    m_current += 3;
    m_available -= 3;
  } else if (m_available == 2) {
    m_register = c[0] | (uint32_t(c[1]) << 8) | (1u << 16);
    m_current += 2;
    m_available = 0;
  } else {
    m_register = c[0] | (1u << 8);
    m_current += 1;
    m_available = 0;
  }
}

int UT_PAKIO::find_marker_bit() const {
  if (m_register <= 1)
    return 0;
  return 31 - __builtin_clz(m_register);
}

unsigned UT_PAKIO::getbits(unsigned n) {
  unsigned result = 0, got = 0;
  while (got < n) {
    int have = find_marker_bit();
    if (have == 0) {
      slow_load_register();
      have = find_marker_bit();
      if (have == 0) {
        m_overrun = true;
        return result;
      }
    }
    const unsigned take = std::min(static_cast<unsigned>(have), n - got);
    result |= (m_register & ((1u << take) - 1)) << got;
    m_register >>= take;
    got += take;
  }
  return result;
}
