#include "transforms/cipher_unmix_wide.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MURL_UNMIX_AVX2 1
#endif

namespace murl::cipher {

#ifdef MURL_UNMIX_AVX2

namespace {

// Per byte: 1 << s and 1 << (7 - s) for s = 0 to 7, in both 128-bit lanes for vpshufb.
#define MURL_TWICE(...) __VA_ARGS__, __VA_ARGS__
__attribute__((target("avx2"))) inline __m256i powersOfTwo() {
  return _mm256_setr_epi8(MURL_TWICE(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0));
}
__attribute__((target("avx2"))) inline __m256i powersDown() {
  return _mm256_setr_epi8(MURL_TWICE(-128, 64, 32, 16, 8, 4, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0));
}
#undef MURL_TWICE

// (b << s) - (a >> s) in each byte, negated where s is odd: what the chaining added.
__attribute__((target("avx2"))) inline __m256i chainDelta(__m256i a, __m256i b, __m256i s) {
  const __m256i low = _mm256_set1_epi16(0x00FF);
  // The shifts are products in 16-bit lanes, the even and the odd bytes apart.
  const __m256i up = _mm256_shuffle_epi8(powersOfTwo(), s);  // 1 << s
  const __m256i upEven = _mm256_mullo_epi16(_mm256_and_si256(b, low), _mm256_and_si256(up, low));
  const __m256i upOdd = _mm256_mullo_epi16(_mm256_andnot_si256(low, b), _mm256_srli_epi16(up, 8));
  const __m256i shiftedUp =
      _mm256_or_si256(_mm256_and_si256(upEven, low), _mm256_andnot_si256(low, upOdd));
  // a >> s is (a << (7 - s)) >> 7.
  const __m256i down = _mm256_shuffle_epi8(powersDown(), s);
  const __m256i downEven = _mm256_srli_epi16(
      _mm256_mullo_epi16(_mm256_and_si256(a, low), _mm256_and_si256(down, low)), 7);
  const __m256i downOdd = _mm256_slli_epi16(
      _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(down, 8)), 7),
      8);
  const __m256i delta = _mm256_sub_epi8(shiftedUp, _mm256_or_si256(downEven, downOdd));
  const __m256i one = _mm256_set1_epi8(1);
  const __m256i odd = _mm256_cmpeq_epi8(_mm256_and_si256(s, one), one);
  return _mm256_sub_epi8(_mm256_xor_si256(delta, odd), odd);
}

// table[rowAt[p + k] + w[k]] for eight bytes w[k], each the low byte of a gathered word.
__attribute__((target("avx2"))) inline __m256i lookUpEight(const UnmixPositions& at, size_t p,
                                                           __m128i w) {
  const __m256i rows =
      _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at.rowAt + p)));
  const __m256i index = _mm256_add_epi32(rows, _mm256_cvtepu8_epi32(w));
  const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(at.table), index, 1);
  return _mm256_and_si256(words, _mm256_set1_epi32(0xFF));
}

// The same for the 32 bytes w.
__attribute__((target("avx2"))) inline __m256i lookUp(const UnmixPositions& at, size_t p,
                                                      __m256i w) {
  const __m128i low = _mm256_castsi256_si128(w), high = _mm256_extracti128_si256(w, 1);
  const __m256i w0 = lookUpEight(at, p, low);
  const __m256i w1 = lookUpEight(at, p + 8, _mm_srli_si128(low, 8));
  const __m256i w2 = lookUpEight(at, p + 16, high);
  const __m256i w3 = lookUpEight(at, p + 24, _mm_srli_si128(high, 8));
  // Packing works per 128-bit lane: the dwords come out as 0a 1a 2a 3a 0b 1b 2b 3b.
  const __m256i packed =
      _mm256_packus_epi16(_mm256_packus_epi32(w0, w1), _mm256_packus_epi32(w2, w3));
  return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

__attribute__((target("avx2"))) inline __m256i loadBytes(const uint8_t* bytes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

}  // namespace

bool wideUnmixAvailable() {
  static const bool available = __builtin_cpu_supports("avx2");
  return available;
}

__attribute__((target("avx2"))) void unmixWide(const UnmixPositions& at, const uint8_t* in,
                                               size_t from, size_t to, uint8_t* out) {
  // Byte i's chaining shift starts from i mod 8, which in a group is its place mod 8.
  const __m256i placeMod8 = _mm256_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1,
                                             2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i seven = _mm256_set1_epi8(7);
  size_t p = to % at.period;
  for (size_t q = to; q > from;) {
    q -= kWideGroup;
    p = (p == 0 ? at.period : p) - kWideGroup;
    const __m256i x = loadBytes(in + q), a = loadBytes(in + q - 1), b = loadBytes(in + q - 2);
    const __m256i s = _mm256_and_si256(_mm256_add_epi8(placeMod8, _mm256_sub_epi8(a, b)), seven);
    const __m256i w =
        _mm256_sub_epi8(_mm256_sub_epi8(x, chainDelta(a, b, s)), loadBytes(at.termAt + p));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + q), lookUp(at, p, w));
  }
}

#else

bool wideUnmixAvailable() { return false; }

void unmixWide(const UnmixPositions&, const uint8_t*, size_t, size_t, uint8_t*) {}

#endif

}  // namespace murl::cipher
