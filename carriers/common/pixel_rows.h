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

namespace pixel_rows {

// Channels 0 to C - 1 of `count` pixels from `row` into `run`, side by side (or back when
// `back` is true).
template <uint32_t C, bool Back>
void move(uint8_t* row, uint8_t* run, uint32_t count, const ChannelPlaces& places) {
  const size_t step = places.pixelStride;
  const size_t apart = places.channelStride;
  for (uint32_t x = 0; x < count; ++x, row += step, run += C) {
    for (uint32_t c = 0; c < C; ++c) {
      if constexpr (Back) {
        row[c * apart] = run[c];
      } else {
        run[c] = row[c * apart];
      }
    }
  }
}

template <bool Back>
void move(uint8_t* row, uint8_t* run, uint32_t count, const ChannelPlaces& places) {
  switch (places.channels) {
    case 1:
      return move<1, Back>(row, run, count, places);
    case 2:
      return move<2, Back>(row, run, count, places);
    case 3:
      return move<3, Back>(row, run, count, places);
    default:
      return move<4, Back>(row, run, count, places);
  }
}

}  // namespace pixel_rows

// `pixels` pixels of at most four channels; `putBack` when the pass may change unit bits (hide,
// mark) and the row is written afterwards.
template <class Pass>
bool walkColourBytes(Pass& pass, const ColourByteGrouper& grouper, uint8_t* row, uint32_t pixels,
                     const ChannelPlaces& places, bool putBack) {
  if (places.packed()) return pass.block(grouper, row, uint64_t{pixels} * places.channels);
  // A multiple of eight units per piece keeps every piece on the grouped path.
  constexpr uint32_t kPiecePixels = 1024;
  std::array<uint8_t, kPiecePixels * 4> run;
  for (uint32_t first = 0; first < pixels; first += kPiecePixels) {
    const uint32_t count = std::min(kPiecePixels, pixels - first);
    uint8_t* from = row + size_t{first} * places.pixelStride;
    pixel_rows::move<false>(from, run.data(), count, places);
    if (!pass.block(grouper, run.data(), uint64_t{count} * places.channels)) return false;
    if (putBack) pixel_rows::move<true>(from, run.data(), count, places);
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
