#include "transforms/cipher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "support/random_bytes.h"
#include "transforms/cipher_parts.h"

namespace murl {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;

// 16 to 32 characters of any byte value except zero, bytes of 128 and above included.
Password randomPassword(std::mt19937& gen) {
  std::string text(16 + gen() % 17, ' ');
  for (auto& c : text) c = static_cast<char>(1 + gen() % 255);
  text[gen() % 16] = static_cast<char>(0x80 + gen() % 128);
  Password password;
  password.take(text);
  return password;
}

Password passwordOf(const std::string& text) {
  Password password;
  password.take(text);
  return password;
}

// Enciphers a copy of the piece and returns the n + 16 bytes.
Bytes encipher(const Bytes& piece, const Password& password, RandomSource& random) {
  Bytes buffer(piece.size() + kCipherOverhead);
  std::copy(piece.begin(), piece.end(), buffer.begin());
  EXPECT_TRUE(encipherBlock(buffer.data(), piece.size(), password, random));
  return buffer;
}

Bytes decipher(Bytes block, const Password& password) {
  EXPECT_TRUE(decipherBlock(block.data(), block.size(), password));
  block.resize(block.size() - kCipherOverhead);
  return block;
}

// Draws made beforehand, as the workers are given them, encipher as draws made in place do.
TEST(CipherBlock, RoundTripsEveryLengthWithDrawsMadeInPlaceOrBeforehand) {
  std::mt19937 gen(11);
  RandomSource inPlace, beforehand;
  inPlace.mixClock(17, 345);
  beforehand.mixClock(17, 345);
  for (size_t n : {0u, 1u, 2u, 3u, 15u, 16u, 17u, 100u, 1023u, 1024u, 4099u, 0x3FFFF0u}) {
    SCOPED_TRACE(n);
    const Password password = randomPassword(gen);
    const Bytes piece = randomBytes(n, gen);
    const CipherDraws draws = drawCipherParameters(beforehand);
    Bytes block(n + kCipherOverhead);
    std::copy(piece.begin(), piece.end(), block.begin());
    ASSERT_TRUE(encipherBlockWith(block.data(), n, password, draws));
    if (n < 0x3FFFF0) {  // the full piece, last, is only round-tripped: it costs
      EXPECT_EQ(block, encipher(piece, password, inPlace));
      EXPECT_EQ(beforehand.index(), inPlace.index());
    }
    ASSERT_EQ(decipher(block, password), piece);
  }
}

TEST(CipherBlock, TwoEnciphermentsDifferAndAWrongPasswordGivesGarbage) {
  std::mt19937 gen(13);
  RandomSource random;
  const Password password = passwordOf("correct horse battery");
  const Bytes piece = randomBytes(200, gen);
  const Bytes first = encipher(piece, password, random);
  const Bytes second = encipher(piece, password, random);
  EXPECT_NE(first, second);
  EXPECT_EQ(decipher(second, password), piece);
  EXPECT_NE(decipher(first, passwordOf("correct horse batterY")), piece);
}

TEST(CipherBlock, RoundStartWidensTheByteWithItsSign) {
  // 19 characters, so the sign shows: 17, like many lengths, divides 0xFFFFFF00, the gap between
  // widening with and without it.
  std::string text = "ab\x80\xff";
  text += "0123456789abcde";
  const Password password = passwordOf(text);
  EXPECT_EQ(cipher::roundStart(password, 0), 'a' % 19u);
  EXPECT_EQ(cipher::roundStart(password, 2), 0xFFFFFF80u % 19);  // 11, unsigned 14
  EXPECT_EQ(cipher::roundStart(password, 3), 0xFFFFFFFFu % 19);  // 5, unsigned 8
  // Shorter passwords read the zero padding beyond their end for the later rounds.
  const Password shortOne = passwordOf("0123456789");
  EXPECT_EQ(cipher::roundStart(shortOne, 12), 0u);
  const Bytes piece(50, 0x42);
  RandomSource random;
  EXPECT_EQ(decipher(encipher(piece, shortOne, random), shortOne), piece);
}

// A stop or a closing ends both directions; too few bytes to decipher and no password are refused.
TEST(CipherBlock, RefusesWhenInterruptedOrGivenTooLittle) {
  RandomSource random;
  const Password password = passwordOf("sixteen chars ok");
  Bytes buffer(64 + 16);
  std::atomic<bool> stop{false}, closing{false};
  const Interrupt interrupt{&stop, &closing};
  for (auto* raised : {&stop, &closing}) {
    *raised = true;
    EXPECT_FALSE(encipherBlock(buffer.data(), 64, password, random, interrupt));
    EXPECT_FALSE(decipherBlock(buffer.data(), buffer.size(), password, interrupt));
    *raised = false;
  }
  EXPECT_TRUE(encipherBlock(buffer.data(), 64, password, random, interrupt));
  EXPECT_FALSE(decipherBlock(buffer.data(), 15, password));
  EXPECT_FALSE(encipherBlock(buffer.data(), 16, Password{}, random));
}

TEST(CipherBlock, GarbageDeciphersWithinItsBuffer) {
  std::mt19937 gen(14);
  constexpr uint8_t kGuard = 0xA5;
  for (int trial = 0; trial < 400; ++trial) {
    const Password password = randomPassword(gen);
    const size_t m = 16 + gen() % 64;
    Bytes buffer = randomBytes(m, gen);
    buffer.resize(m + 8, kGuard);
    ASSERT_TRUE(decipherBlock(buffer.data(), m, password));
    for (size_t i = m; i < m + 8; ++i) ASSERT_EQ(buffer[i], kGuard);
  }
}

TEST(CipherRoundOrder, KeepsFirstOccurrencesOfTheDraws) {
  // Every pool byte lies in 0..15, so each draw takes the byte under the index and steps on by
  // 1, 2, ..., 10, 1, ...
  std::vector<uint8_t> pool(RandomSource::kPoolSize);
  for (size_t i = 0; i < pool.size(); ++i) pool[i] = static_cast<uint8_t>((i * 3 + i / 11) & 15);
  RandomSource random;
  random.loadPool(pool);
  std::vector<uint8_t> expected;
  size_t at = 0, step = 1;
  while (expected.size() < 16) {
    const uint8_t v = pool[at];
    if (std::find(expected.begin(), expected.end(), v) == expected.end()) expected.push_back(v);
    at = (at + step) % pool.size();
    step = step == 10 ? 1 : step + 1;
  }
  const auto order = cipher::drawRoundOrder(random);
  EXPECT_EQ(std::vector<uint8_t>(order.begin(), order.end()), expected);
  EXPECT_EQ(random.index(), at);
  EXPECT_EQ(cipher::layerKindOf(10), 10);
  for (uint8_t v = 11; v < 16; ++v) EXPECT_EQ(cipher::layerKindOf(v), 11);
}

TEST(CipherRoundOrder, APoolThatNeverAnswersStillEnds) {
  // 0x80 and its complement both lie outside 0..15: every draw falls back to the midpoint 7.
  RandomSource random;
  random.loadPool(std::vector<uint8_t>(RandomSource::kPoolSize, 0x80));
  const auto order = cipher::drawRoundOrder(random);
  EXPECT_EQ(order[0], 7);
  std::vector<bool> seen(16);
  for (uint8_t v : order) seen[v] = true;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 16);
  const Password password = passwordOf("sixteen chars ok");
  const Bytes piece(40, 9);
  EXPECT_EQ(decipher(encipher(piece, password, random), password), piece);
}

TEST(CipherHeader, EnciphersFiftyTwoBytesIntoSixtyEight) {
  std::mt19937 gen(15);
  RandomSource random;
  for (uint32_t key : {0u, 4096u, 0xFFFFFFFFu, 0x12345678u}) {
    const Bytes header = randomBytes(cipher::kHeaderPlainSize, gen);
    Bytes buffer(cipher::kHeaderSize + 4, 0xA5);
    std::copy(header.begin(), header.end(), buffer.begin());
    Bytes again = buffer;
    encipherHeader(buffer.data(), key, random);
    encipherHeader(again.data(), key, random);
    EXPECT_NE(buffer, again);
    for (size_t i = cipher::kHeaderSize; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], 0xA5);
    decipherHeader(buffer.data(), key);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), buffer.begin())) << key;
    decipherHeader(again.data(), key + 1);
    EXPECT_FALSE(std::equal(header.begin(), header.end(), again.begin())) << key;
  }
}

}  // namespace
}  // namespace murl
