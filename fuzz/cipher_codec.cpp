// Arbitrary bytes deciphered as one cipher block and inflated, and inflated as they are (cut into
// blocks at a position the input chooses), as the reader does with gathered data.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace {

struct State {
  State() { password.take("fuzzing password 1234"); }
  murl::Password password;
  std::vector<uint8_t> block = std::vector<uint8_t>(murl::kCodecArea + murl::kCipherOverhead);
  // A small output area makes the decompressor hand over many areas.
  std::vector<uint8_t> area = std::vector<uint8_t>(4096);
};

void inflateBlocks(State& s, const uint8_t* data, size_t n, size_t cut) {
  murl::Decompressor d(s.area);
  if (!d.open()) return;
  size_t total = 0;
  murl::CodecSink sink = [&](uint8_t*, size_t got) {
    total += got;
    return total < (64u << 20);  // the reader's limit, scaled down
  };
  cut = n == 0 ? 0 : cut % n;
  if (cut > 0 && d.decompress(data, cut, false, sink) != murl::CodecStatus::kOk) return;
  d.decompress(data + cut, n - cut, true, sink);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static State s;
  if (size < 2 || size > s.block.size()) return 0;
  inflateBlocks(s, data + 1, size - 1, data[0] * 7u);
  if (size >= murl::kCipherOverhead) {
    std::copy(data, data + size, s.block.begin());
    if (murl::decipherBlock(s.block.data(), size, s.password)) {
      inflateBlocks(s, s.block.data(), size - murl::kCipherOverhead, 0);
    }
  }
  return 0;
}
