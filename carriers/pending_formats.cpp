#include "carriers/pending_formats.h"

namespace murl {
namespace {

// No file is a carrier of a format not built yet, so its other operations are never reached.
class RefusingHandler final : public CarrierHandler {
 public:
  bool count(platform::File&, IdentificationRecord&, Workspace&) const override { return false; }
  bool hide(platform::File&, platform::File&, const CarrierEntry&, const StreamShare&,
            const HideJob&, Workspace&, double&) const override {
    return false;
  }
  bool extract(platform::File&, const CarrierEntry&, ExtractionSink&, Workspace&) const override {
    return false;
  }
  bool mark(platform::File&, platform::File&, const MarkField&, Workspace&,
            double&) const override {
    return false;
  }
  bool check(platform::File&, uint32_t, CheckCollector&, Workspace&) const override {
    return false;
  }
};

const CarrierHandler& refusingHandler() {
  static const RefusingHandler handler;
  return handler;
}

constexpr TypeFacts kJpegTypes[] = {{CarrierType::kJpeg, "JPEG", LevelFormat::kJpg}};
constexpr const char* kJpegExtensions[] = {"jpg", "jpe", "jpeg", "jfif"};
constexpr LevelFacts kJpegLevels[] = {{LevelFormat::kJpg, "jpg", "JPG"}};
constexpr DialogFilter kJpegFilters[] = {{"JPG Image (jpg,jpe,jpeg,jfif)",
                                          "Immagine JPG (jpg,jpe,jpeg,jfif)",
                                          "*.jpg;*.jpe;*.jpeg;*.jfif"}};

}  // namespace

const FormatFacts& jpegFacts() {
  static constexpr FormatFacts facts{kJpegTypes, kJpegExtensions,   kJpegLevels,    kJpegFilters,
                                     {},         MediaKind::kImage, refusingHandler};
  return facts;
}

}  // namespace murl
