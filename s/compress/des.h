// des.h - the DES block cipher (FIPS 46-3) in CBC mode, for the cipher hooks of Port_Compress.
#ifndef PORTABILITY_COMPRESS_DES_H
#define PORTABILITY_COMPRESS_DES_H

#include <cstddef>
#include <cstdint>

namespace des {

const size_t kBlock = 8;

// The sixteen round keys, each as the two words the round XORs into its rotated right half:
// the 6-bit inputs of the even S-boxes in one, of the odd ones in the other.
struct Schedule {
  uint32_t even[16];
  uint32_t odd[16];
};

// Makes the schedule of an 8-byte key (its parity bits are ignored). False for the 16 weak and
// semi-weak keys, whose schedule is made all the same.
bool setKey(Schedule &s, const uint8_t key[8]);
// One block.
void encryptBlock(const Schedule &s, uint8_t out[8], const uint8_t in[8]);
// CBC over n bytes (a multiple of 8) in place; iv is the chaining block, updated to the last
// ciphertext block.
void cbcEncrypt(const Schedule &s, uint8_t iv[8], uint8_t *buf, size_t n);
void cbcDecrypt(const Schedule &s, uint8_t iv[8], uint8_t *buf, size_t n);

} // namespace des

#endif
