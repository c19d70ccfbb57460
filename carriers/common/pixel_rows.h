#pragma once
// The colour bytes of a decoded image row, handed to a pass in unit order: pixel by pixel, the
// channels of each in turn. Rows whose units lie side by side go to the pass as they are; rows
// whose units are interleaved with other bytes (planes, alpha) are gathered a piece at a time
// into one run, so the eight-at-a-time path serves them too, and put back afterwards.
#include <algorithm>
#include <array>
#include <cstdint>

#include "carriers/common/colour_bytes.h"
#include "carriers/common/operation.h"

namespace murl {

// Where channel c of pixel x lies in a row: x * pixelStride + c * channelStride.
struct ChannelPlaces {
  uint32_t channels = 3;
  uint32_t pixelStride = 3;
  uint32_t channelStride = 1;

  bool packed() const { return channelStride == 1 && pixelStride == channels; }
};

template <class Pass>
bool walkColourBytes(Pass& pass, const ColourByteGrouper& grouper, uint8_t* row, uint32_t pixels,
                     const ChannelPlaces& places) {
  if (places.packed()) return pass.block(grouper, row, uint64_t{pixels} * places.channels);
  // A multiple of eight units per piece keeps every piece on the grouped path.
  constexpr uint32_t kPiecePixels = 1024;
  std::array<uint8_t, kPiecePixels * 4> run;
  const uint32_t channels = std::min<uint32_t>(places.channels, 4);
  for (uint32_t first = 0; first < pixels; first += kPiecePixels) {
    const uint32_t count = std::min(kPiecePixels, pixels - first);
    uint8_t* at = run.data();
    for (uint32_t x = first; x < first + count; ++x) {
      for (uint32_t c = 0; c < channels; ++c) {
        *at++ = row[x * places.pixelStride + c * places.channelStride];
      }
    }
    if (!pass.block(grouper, run.data(), uint64_t{count} * channels)) return false;
    at = run.data();
    for (uint32_t x = first; x < first + count; ++x) {
      for (uint32_t c = 0; c < channels; ++c) {
        row[x * places.pixelStride + c * places.channelStride] = *at++;
      }
    }
  }
  return true;
}

// The row loop of a format whose rows are decoded into a buffer and coded again. `io` gives
//   bool start();            before the first row (a target's header)
//   bool next(uint8_t*& row);  reads or decodes the next row
//   bool put(uint8_t* row);    writes or codes it (nothing without a target)
//   bool finish();           after the last row (what follows the rows)
// each showing its own message; `perRow(row)` hands the row's units to the pass. The flags are
// polled and progress reported once per row.
template <class RowIo, class PerRow>
bool walkDecodedRows(const OperationContext& context, RowIo& io, uint32_t rows, PerRow&& perRow) {
  if (!io.start()) return false;
  for (uint32_t r = 0; r < rows; ++r) {
    if (context.stopped()) return false;
    uint8_t* row = nullptr;
    if (!io.next(row) || !perRow(row) || !io.put(row)) return false;
    context.progress(r + 1, rows);
  }
  return io.finish();
}

}  // namespace murl
