#pragma once
// The per-format settings of the Options Panel; every run starts from these defaults.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/locale.h"

namespace murl {

// Formats with a bits selection level, in the Options Panel's order.
enum class LevelFormat : uint8_t { kAif, kAu, kBmp, kJpg, kMp3, kPcx, kPng, kTga, kWav, kCount };

// 0 "Minimum" .. 6 "Maximum"; used for bits selection and compression levels alike.
constexpr uint8_t kMaxLevel = 6;
constexpr uint8_t kDefaultLevel = 3;

// "Minimum" .. "Maximum" (Italian "Minimo" .. "Massimo"); level must be 0 to 6.
const char* levelName(uint8_t level, platform::Language language);
// The level whose English or Italian name is `name` (letter case ignored), or a digit 0 to 6.
std::optional<uint8_t> parseLevel(std::string_view name);

enum class RleOutput : uint8_t { kAsOriginal = 0, kCompressed = 1, kUncompressed = 2 };
enum class PngOutput : uint8_t { kAsOriginal = 0, kInterlaced = 1, kLinear = 2 };

struct Options {
  std::array<uint8_t, static_cast<size_t>(LevelFormat::kCount)> bitsLevels{3, 3, 3, 3, 3,
                                                                           3, 3, 3, 3};
  uint8_t compressionLevel = kDefaultLevel;  // the hidden stream's; deflate level = value + 3
  RleOutput pcxOutput = RleOutput::kAsOriginal;
  RleOutput tgaOutput = RleOutput::kAsOriginal;
  PngOutput pngOutput = PngOutput::kAsOriginal;
  uint8_t pngCompressionLevel = kDefaultLevel;
  uint8_t pngChunkSize = 2;  // IDAT data length 16384 << value: 2 is 64 KiB

  uint8_t level(LevelFormat format) const { return bitsLevels[static_cast<size_t>(format)]; }
  void setLevel(LevelFormat format, uint8_t value) {
    bitsLevels[static_cast<size_t>(format)] = value;
  }
};

}  // namespace murl
