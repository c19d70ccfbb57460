#pragma once
// The image data of a PNG carrier: the IDAT chunk sequence decoded into the image's pixels, and the
// pixels encoded into a new IDAT sequence. Only the pixels are held whole; scanlines pass through
// bounded buffers on their way to or from zlib, whose compressed side goes through the work
// buffer (IDAT pieces read, IDAT chunks gathered), so neither may run while a hide holds data bits
// there.
#include <cstdint>
#include <memory>

#include "carriers/common/operation.h"
#include "carriers/png/png_layout.h"
#include "platform/file.h"

namespace murl::png {

// One decoded image: the de-filtered pixels of the whole image in raster order, rowBytes apart,
// whether the source stored them interlaced or not.
struct PngImage {
  PngHeader header;
  uint32_t imageSize = 0;             // height * rowBytes
  uint64_t linearStreamSize = 0;      // filtered stream bytes of a linear image
  uint64_t interlacedStreamSize = 0;  // and of an Adam7 one
  std::unique_ptr<uint8_t[]> pixels;
};

// Sizes the image for the header and allocates its pixels; "Out of memory!" when they cannot be.
bool allocateImage(const OperationContext& context, const PngHeader& header, PngImage& image);

// Scanlines done out of all an operation handles (decoded, walked for units, encoded), reported
// to the workspace once per scanline.
class RowProgress {
 public:
  RowProgress(const OperationContext& context, uint64_t total) : context_(context), total_(total) {}
  void row() { context_.progress(++done_, total_); }

 private:
  const OperationContext& context_;
  uint64_t done_ = 0;
  uint64_t total_;
};

// Scanlines of all non-empty passes of an image stored linear or interlaced.
uint64_t scanlineCount(const PngHeader& header, bool interlaced);

// Decodes the IDAT sequence that starts at src's position into image.pixels (filtered as the
// header says). The zlib stream must fill exactly the stream's bytes and end there; bytes after
// its end are ignored. Chunk CRCs are not checked. On success src is at the header of the first
// chunk after the sequence. Shows the operation's read message when the data cannot be decoded
// (none when stopped).
bool decodeImage(const OperationContext& context, platform::File& src, PngImage& image,
                 RowProgress& progress);

struct EncodeSettings {
  bool interlaced = false;
  uint8_t compressionLevel = 3;  // 0 to 6: deflate level + 3, with the program's tuning
  uint32_t chunkSize = 0x10000;  // data bytes of every IDAT chunk but the last
};

// Writes the image as a new IDAT sequence at dst's position: each scanline filtered with the type
// FilterChooser picks, deflated with the filtered strategy, cut into chunks of chunkSize bytes and
// a last one of 1 to chunkSize. Shows "Couldn't write to target file!" when writing or deflating
// fails (none when stopped).
bool encodeImage(const OperationContext& context, platform::File& dst, const PngImage& image,
                 const EncodeSettings& settings, RowProgress& progress);

// Cuts compressed bytes into IDAT chunks of exactly `chunkSize` data bytes, gathered in `buffer`
// (chunkSize bytes), and a last chunk of what is left; no empty chunk.
class IdatWriter {
 public:
  IdatWriter(const OperationContext& context, platform::File& dst, uint8_t* buffer,
             uint32_t chunkSize)
      : context_(context), dst_(dst), buffer_(buffer), chunkSize_(chunkSize) {}

  // False after a failed write (message shown).
  bool add(const uint8_t* data, size_t n);
  bool finish() { return gathered_ == 0 || writeChunk(); }

 private:
  bool writeChunk();

  const OperationContext& context_;
  platform::File& dst_;
  uint8_t* buffer_;
  uint32_t chunkSize_;
  uint32_t gathered_ = 0;
};

}  // namespace murl::png
