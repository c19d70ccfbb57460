#include "support/jpeg_builder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace murl::test {
namespace {

constexpr std::array<uint8_t, 16> kDcCounts{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, 12> kDcSymbols{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr std::array<uint8_t, 16> kAcCounts{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr std::array<uint8_t, 162> kAcSymbols{
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
    0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
    0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
    0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
    0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
    0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
    0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
    0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
    0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct Code {
  uint32_t bits = 0;
  uint32_t length = 0;
};

template <size_t N>
std::array<Code, 256> codesOf(const std::array<uint8_t, 16>& counts,
                              const std::array<uint8_t, N>& symbols) {
  std::array<Code, 256> codes{};
  uint32_t code = 0;
  size_t k = 0;
  for (uint32_t length = 1; length <= 16; ++length, code <<= 1) {
    for (uint32_t i = 0; i < counts[length - 1]; ++i) codes[symbols[k++]] = {code++, length};
  }
  return codes;
}

class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
  void put(uint32_t bits, uint32_t length) {
    for (uint32_t i = length; i-- > 0;) {
      byte_ = static_cast<uint8_t>(byte_ << 1 | ((bits >> i) & 1));
      if (++count_ == 8) emit();
    }
  }
  // Pads the last byte with 1 bits, as encoders do before a marker.
  void align() {
    while (count_ != 0) put(1, 1);
  }

 private:
  void emit() {
    out_.push_back(byte_);
    if (byte_ == 0xFF) out_.push_back(0x00);
    byte_ = 0;
    count_ = 0;
  }
  std::vector<uint8_t>& out_;
  uint8_t byte_ = 0;
  uint32_t count_ = 0;
};

uint32_t category(int value) {
  uint32_t size = 0;
  for (int magnitude = std::abs(value); magnitude != 0; magnitude >>= 1) ++size;
  return size;
}

void putValue(BitWriter& bits, const Code& code, int value, uint32_t size) {
  bits.put(code.bits, code.length);
  if (size != 0) bits.put(static_cast<uint32_t>(value < 0 ? value - 1 : value), size);
}

void putBlock(BitWriter& bits, const CoefficientOf& coefficient, uint64_t block) {
  static const auto dc = codesOf(kDcCounts, kDcSymbols);
  static const auto ac = codesOf(kAcCounts, kAcSymbols);
  const int diff = coefficient(block, 0);
  putValue(bits, dc[category(diff)], diff, category(diff));
  uint32_t run = 0;
  for (uint32_t k = 1; k < 64; ++k) {
    const int value = coefficient(block, k);
    if (value == 0) {
      ++run;
      continue;
    }
    for (; run >= 16; run -= 16) bits.put(ac[0xF0].bits, ac[0xF0].length);
    const uint32_t size = category(value);
    putValue(bits, ac[run << 4 | size], value, size);
    run = 0;
  }
  if (run != 0) bits.put(ac[0x00].bits, ac[0x00].length);
}

uint64_t ceilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

struct ScanPlan {
  std::vector<uint8_t> components;
  uint64_t mcus = 0;
  uint32_t blocksPerMcu = 0;
};

std::vector<ScanPlan> scanPlans(const JpegShape& shape) {
  uint32_t maxH = 1, maxV = 1;
  for (auto [h, v] : shape.factors)
    maxH = std::max<uint32_t>(maxH, h), maxV = std::max<uint32_t>(maxV, v);
  std::vector<ScanPlan> plans;
  if (shape.scanPerComponent || shape.factors.size() == 1) {
    for (uint8_t c = 0; c < shape.factors.size(); ++c) {
      const auto [h, v] = shape.factors[c];
      const uint64_t wide = ceilDiv(uint64_t{shape.width} * h, maxH);
      const uint64_t high = ceilDiv(uint64_t{shape.height} * v, maxV);
      plans.push_back({{c}, ceilDiv(wide, 8) * ceilDiv(high, 8), 1});
    }
    return plans;
  }
  ScanPlan all;
  for (uint8_t c = 0; c < shape.factors.size(); ++c) {
    all.components.push_back(c);
    all.blocksPerMcu += shape.factors[c].first * shape.factors[c].second;
  }
  all.mcus = ceilDiv(shape.width, 8 * maxH) * ceilDiv(shape.height, 8 * maxV);
  plans.push_back(all);
  return plans;
}

void append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> tablesSegment() {
  std::vector<uint8_t> payload{0x00};
  payload.insert(payload.end(), kDcCounts.begin(), kDcCounts.end());
  payload.insert(payload.end(), kDcSymbols.begin(), kDcSymbols.end());
  payload.push_back(0x10);
  payload.insert(payload.end(), kAcCounts.begin(), kAcCounts.end());
  payload.insert(payload.end(), kAcSymbols.begin(), kAcSymbols.end());
  return jpegSegment(0xFFC4, payload);
}

}  // namespace

std::vector<uint8_t> jpegSegment(uint16_t marker, const std::vector<uint8_t>& payload) {
  const size_t length = payload.size() + 2;
  std::vector<uint8_t> out{static_cast<uint8_t>(marker >> 8), static_cast<uint8_t>(marker),
                           static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
  append(out, payload);
  return out;
}

uint64_t jpegBlockCount(const JpegShape& shape) {
  uint64_t blocks = 0;
  for (const ScanPlan& plan : scanPlans(shape)) blocks += plan.mcus * plan.blocksPerMcu;
  return blocks;
}

std::vector<uint8_t> buildJpeg(const JpegShape& shape, const CoefficientOf& coefficient) {
  std::vector<uint8_t> out{0xFF, 0xD8};
  for (const auto& segment : shape.extraSegments) append(out, segment);
  std::vector<uint8_t> quant{0x00};
  quant.resize(65, 1);
  append(out, jpegSegment(0xFFDB, quant));
  std::vector<uint8_t> frame{8,
                             static_cast<uint8_t>(shape.height >> 8),
                             static_cast<uint8_t>(shape.height),
                             static_cast<uint8_t>(shape.width >> 8),
                             static_cast<uint8_t>(shape.width),
                             static_cast<uint8_t>(shape.factors.size())};
  for (size_t c = 0; c < shape.factors.size(); ++c) {
    frame.insert(frame.end(),
                 {static_cast<uint8_t>(c + 1),
                  static_cast<uint8_t>(shape.factors[c].first << 4 | shape.factors[c].second), 0});
  }
  append(out, jpegSegment(0xFFC0, frame));
  append(out, tablesSegment());
  if (shape.restartInterval != 0) {
    append(out, jpegSegment(0xFFDD, {static_cast<uint8_t>(shape.restartInterval >> 8),
                                     static_cast<uint8_t>(shape.restartInterval)}));
  }
  uint64_t block = 0;
  for (const ScanPlan& plan : scanPlans(shape)) {
    std::vector<uint8_t> header{static_cast<uint8_t>(plan.components.size())};
    for (uint8_t c : plan.components)
      header.insert(header.end(), {static_cast<uint8_t>(c + 1), 0x00});
    header.insert(header.end(), {0, 63, 0});
    append(out, jpegSegment(0xFFDA, header));
    BitWriter bits(out);
    for (uint64_t mcu = 0; mcu < plan.mcus; ++mcu) {
      if (shape.restartInterval != 0 && mcu != 0 && mcu % shape.restartInterval == 0) {
        bits.align();
        out.insert(out.end(),
                   {0xFF, static_cast<uint8_t>(0xD0 + (mcu / shape.restartInterval - 1) % 8)});
      }
      for (uint32_t b = 0; b < plan.blocksPerMcu; ++b) putBlock(bits, coefficient, block++);
    }
    bits.align();
  }
  out.insert(out.end(), {0xFF, 0xD9});
  append(out, shape.afterEoi);
  return out;
}

}  // namespace murl::test
