#pragma once
// Uncompressed 24- and 32-bit bitmaps. A colour bitmap (type 2) has one unit per channel of each
// pixel; a grey one (type 3), whose pixels all have equal channels, one unit per pixel, judged by
// channel 0 and written to all three. The unit bit is each channel's lowest bit.
#include <cstdint>

#include "carriers/contract.h"

namespace murl {

const CarrierHandler& bmpHandler();

// The region forms: a file of its own is {0, its size} and starts with the file header; a bitmap
// inside a module is the offset and size of its resource, which starts with the info header,
// and hide rewrites its rows in place in a target that already holds the whole module.
// `grey` is the count's classification (type 3).
bool bmpCount(platform::File& src, const CarrierRegion& region, IdentificationRecord& record,
              Workspace& workspace);
bool bmpHide(platform::File& src, platform::File& dst, const CarrierRegion& region, bool grey,
             const StreamShare& share, const HideJob& job, Workspace& workspace,
             double& percentage);
bool bmpExtract(platform::File& src, const CarrierRegion& region, bool grey, uint32_t carrierBits,
                ExtractionSink& sink, Workspace& workspace);

}  // namespace murl
