#include "carriers/bmp/bmp.h"

#include <algorithm>
#include <array>

namespace murl {

bool BmpFormat::open(platform::File& src, const CarrierRegion& region, CarrierType type) {
  src_ = &src;
  region_ = region;
  grey_ = type == CarrierType::kBmpGrey;
  level_ = context_.level(LevelFormat::kBmp);
  std::array<uint8_t, bmp::kMaxHeaderBytes> head{};
  const size_t want = static_cast<size_t>(std::min<uint64_t>(head.size(), region.size));
  if (!src.seek(region.offset)) return false;
  const size_t got = src.read(head.data(), want);
  return bmp::parseBmp({head.data(), got}, !region.inModule, region.size, layout_);
}

bool BmpFormat::scan(uint64_t& units) {
  UnitCounter colour;
  UnitCounter grey;
  bool allGrey = true;  // a bitmap without rows counts as grey
  const bool read = streamRecords(context_, *src_, nullptr, rows(), [&](uint8_t* rows, uint64_t n) {
    for (uint64_t r = 0; r < n; ++r) {
      uint8_t* row = rows + r * layout_.rowStride;
      allGrey = allGrey && bmp::bmpRowIsGrey(layout_, row);
      walkRow(colour, row, false);
      walkRow(grey, row, true);
    }
    return true;
  });
  grey_ = allGrey;
  units = grey_ ? grey.units() : colour.units();
  return read;
}

// Carrier bits and percentages are taken over the units of the whole image, in 32 bits.
bool BmpFormat::countUnits(uint64_t& units) { return scan(units) && allUnits() < bmp::kMaxUnits; }

// A short read has shown its message and a stop shows none; a bitmap too large to count was never
// written as a carrier.
bool BmpFormat::classify() {
  uint64_t units = 0;
  return scan(units) && (allUnits() < bmp::kMaxUnits || context_.wrongBits());
}

const CarrierHandler& bmpHandler() {
  static const FormatHandler<BmpFormat> handler;
  return handler;
}

namespace {
// The extensions lead to a colour bitmap; the count finds the grey ones.
constexpr TypeFacts kTypes[] = {{CarrierType::kBmpColour, "BMP", LevelFormat::kBmp},
                                {CarrierType::kBmpGrey, "BMP (grey)", LevelFormat::kBmp}};
constexpr const char* kExtensions[] = {"bmp", "dib"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kBmp, "bmp", "BMP"}};
constexpr DialogFilter kFilters[] = {
    {"BMP Image (bmp,dib)", "Immagine BMP (bmp,dib)", "*.bmp;*.dib"}};
}  // namespace

const FormatFacts& bmpFacts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,       kLevels,   kFilters,
                                     {},     MediaKind::kImage, bmpHandler};
  return facts;
}

}  // namespace murl
