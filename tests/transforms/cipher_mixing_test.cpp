#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/data_lines.h"
#include "support/random_bytes.h"
#include "transforms/cipher_parts.h"

namespace murl::cipher {
namespace {

using Bytes = std::vector<uint8_t>;
using test::randomBytes;

// Known answers from a plain byte-by-byte reference, on the per-byte and the table path alike.
TEST(KeyMixing, BothPathsGiveTheKnownAnswersAndUndoThem) {
  const auto cases = test::dataLines("key_mixing.txt");
  ASSERT_EQ(cases.size(), 21u);
  for (const auto& c : cases) {
    const size_t length = std::stoul(c[0]), start = std::stoul(c[1]);
    const Bytes p = test::fromHex(c[2]), q = test::fromHex(c[3]), x = test::fromHex(c[4]);
    for (size_t expected : {size_t{64}, KeyMixer::kTableMinBytes}) {
      KeyMixer mixer(p.data(), q.data(), length, expected);
      Bytes y(x.size()), back(x.size());
      mixer.mix(start, x.data(), x.size(), y.data());
      ASSERT_EQ(y, test::fromHex(c[5])) << "length " << length << " start " << start;
      mixer.unmix(start, y.data(), y.size(), back.data());
      ASSERT_EQ(back, x) << "length " << length << " start " << start;
    }
  }
}

TEST(KeyMixing, TablePathsAgreeWithTheByteByBytePathOnLongInputs) {
  // Long inputs go through per-position tables whose period depends on the key length, and
  // their undo through the vector unit where the processor has one, or byte by byte.
  std::mt19937 gen(4);
  const Bytes x = randomBytes(70000, gen);
  for (const auto& [length, wide] : std::vector<std::pair<size_t, bool>>{
           {10, true}, {16, true}, {23, true}, {31, true}, {32, true}, {16, false}, {31, false}}) {
    const Bytes p = randomBytes(length, gen), q = randomBytes(length, gen);
    KeyMixer direct(p.data(), q.data(), length, 1);
    KeyMixer tables(p.data(), q.data(), length, x.size());
    tables.allowWide(wide);
    for (size_t start : {size_t{0}, size_t{5}, length - 1}) {
      // Short enough for the per-byte undo, long enough for the undo by positions, a whole
      // number of vector groups, and not.
      for (size_t n : {size_t{2000}, size_t{65537}, size_t{65536}, x.size() - 1}) {
        Bytes a(n), b(n), back(n);
        direct.mix(start, x.data(), n, a.data());
        tables.mix(start, x.data(), n, b.data());
        ASSERT_EQ(a, b) << "length " << length << " start " << start << " n " << n;
        tables.unmix(start, a.data(), n, back.data());
        ASSERT_TRUE(std::equal(back.begin(), back.end(), x.begin()));
        // In place, as the block cipher runs them.
        Bytes place(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n));
        tables.mix(start, place.data(), n, place.data());
        ASSERT_EQ(place, a) << "mixed in place: length " << length << " n " << n;
        tables.unmix(start, place.data(), n, place.data());
        ASSERT_TRUE(std::equal(place.begin(), place.end(), x.begin())) << "in place, n " << n;
      }
    }
  }
}

TEST(HeaderKeys, DecimalDigitsAndProducts) {
  const HeaderKeys small = headerKeys(4096);
  EXPECT_EQ(small.d, (std::array<uint8_t, 10>{0, 0, 0, 0, 0, 0, 4, 0, 9, 6}));
  EXPECT_EQ(small.e, (std::array<uint8_t, 10>{0, 0, 0, 0, 0, 0, 0x90, 0, 0, 0}));
  const HeaderKeys top = headerKeys(0xFFFFFFFF);
  EXPECT_EQ(top.d, (std::array<uint8_t, 10>{4, 2, 9, 4, 9, 6, 7, 2, 9, 5}));
  EXPECT_EQ(top.e,
            (std::array<uint8_t, 10>{0xFF, 0xFF, 0xFF, 0xF8, 0xFF, 0xFF, 0xFF, 0xF5, 0xFF, 0xFF}));
  const HeaderKeys mixed = headerKeys(1234567890);
  EXPECT_EQ(mixed.e,
            (std::array<uint8_t, 10>{0x73, 0x58, 0x10, 0x90, 0xDF, 0x08, 0x27, 0xEC, 0x4C, 0xDC}));
}

}  // namespace
}  // namespace murl::cipher
