#include "carriers/aiff_au/aiff_au.h"

namespace murl {

bool AiffAuFormat::open(platform::File& src, const CarrierRegion& region, CarrierType) {
  src_ = &src;
  region_ = region;
  if (!audio::parseAudio(src, layout_)) return false;
  level_ = context_.level(layout_.type == CarrierType::kAu ? LevelFormat::kAu : LevelFormat::kAif);
  return true;
}

const CarrierHandler& aiffAuHandler() {
  static const FormatHandler<AiffAuFormat> handler;
  return handler;
}

namespace {
// The extensions lead to AIFF; the count tells a Next/Sun file by its first bytes.
constexpr TypeFacts kTypes[] = {{CarrierType::kAiff, "AIFF", LevelFormat::kAif},
                                {CarrierType::kAu, "NEXT/SUN", LevelFormat::kAu}};
constexpr const char* kExtensions[] = {"aif", "aiff", "snd", "au"};
constexpr LevelFacts kLevels[] = {{LevelFormat::kAif, "aif", "AIF"},
                                  {LevelFormat::kAu, "au", "NEXT/SUN"}};
constexpr DialogFilter kFilters[] = {
    {"AIFF Audio (aif,aiff,snd)", "File Audio AIFF (aif,aiff,snd)", "*.aif;*.aiff;*.snd"},
    {"Next/Sun Audio (au,snd)", "File Audio Next/Sun (au,snd)", "*.au;*.snd"}};
}  // namespace

const FormatFacts& aiffAuFacts() {
  static constexpr FormatFacts facts{kTypes, kExtensions,       kLevels,      kFilters,
                                     {},     MediaKind::kAudio, aiffAuHandler};
  return facts;
}

}  // namespace murl
