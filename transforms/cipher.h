#pragma once
// The sixteen-round cipher: the block form for the pieces of the hidden stream (keyed by the
// password) and the header form for the carrier trailer (keyed by a 32-bit value).
#include <array>
#include <cstddef>
#include <cstdint>

#include "transforms/interrupt.h"
#include "transforms/password.h"
#include "transforms/random_source.h"

namespace murl {

constexpr size_t kCipherOverhead = 16;  // one tag byte per round

// What one encipherment draws from the random source, in draw order: the round order, then one
// layer parameter per round. Drawn apart from the work, a block can be enciphered on another
// thread while the draws stay in block order.
struct CipherDraws {
  std::array<uint8_t, kCipherOverhead> order;
  std::array<uint8_t, kCipherOverhead> layerParameters;
};
CipherDraws drawCipherParameters(RandomSource& random);

// encipherBlock with its draws made beforehand; safe to run on several threads at once.
bool encipherBlockWith(uint8_t* buffer, size_t n, const Password& password,
                       const CipherDraws& draws, Interrupt interrupt = {});

// Enciphers n bytes in place into n + 16 bytes; buffer holds at least n + 16 bytes, and nothing
// else is touched. False (buffer unspecified) when the interrupt is raised at the start of a
// round, or when no password has been taken.
bool encipherBlock(uint8_t* buffer, size_t n, const Password& password, RandomSource& random,
                   Interrupt interrupt = {});
// Deciphers m >= 16 bytes in place into m - 16 bytes, touching nothing past them. False only
// when interrupted (or when m is below 16 or no password has been taken). A wrong password
// gives garbage, not a failure.
bool decipherBlock(uint8_t* buffer, size_t m, const Password& password, Interrupt interrupt = {});
// The header form: 52 bytes at buffer become 68 bytes (buffer holds at least 68), keyed by K.
void encipherHeader(uint8_t* buffer, uint32_t key, RandomSource& random);
// 68 bytes at buffer back to the 52-byte header, keyed by K. Any 68 bytes decipher: only the
// header's own content tells a right key from a wrong one.
void decipherHeader(uint8_t* buffer, uint32_t key);

}  // namespace murl
