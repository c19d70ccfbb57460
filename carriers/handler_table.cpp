#include "carriers/aiff_au/aiff_au.h"
#include "carriers/bmp/bmp.h"
#include "carriers/contract.h"
#include "carriers/wav/wav.h"

namespace murl {
namespace {

// A format not built yet: no file is a carrier of it, so the other operations are never reached.
class RefusingHandler final : public CarrierHandler {
 public:
  bool count(platform::File&, const std::string&, IdentificationRecord&,
             Workspace&) const override {
    return false;
  }
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

using HandlerOf = const CarrierHandler& (*)();

// One line per type code; each format folder provides its handler.
constexpr HandlerOf kHandlers[kCarrierTypeCount] = {
    aiffAuHandler,    // 0 AIFF
    aiffAuHandler,    // 1 Next/Sun audio
    bmpHandler,       // 2 BMP colour
    bmpHandler,       // 3 BMP grey
    refusingHandler,  // 4 Windows module
    refusingHandler,  // 5 JPEG
    refusingHandler,  // 6 MP3
    refusingHandler,  // 7 PCX
    refusingHandler,  // 8 PCX grey
    refusingHandler,  // 9 PNG
    refusingHandler,  // 10 TGA
    wavHandler,       // 11 WAV
};

}  // namespace

const CarrierHandler& carrierHandler(CarrierType type) {
  auto code = static_cast<size_t>(type);
  return code < kCarrierTypeCount ? kHandlers[code]() : refusingHandler();
}

}  // namespace murl
