#include "carriers/png/png_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

#include "carriers/png/png_filters.h"
#include "platform/byte_order.h"
#include "transforms/codec.h"

namespace murl::png {
namespace {

// Deflate writes its output in steps of this many bytes; every IDAT chunk size is a multiple.
constexpr size_t kDeflateStep = 16384;

// Rows of the widest scanline, the first all zeros: the prior row of every pass's first scanline.
class ScanlineRows {
 public:
  bool allocate(const OperationContext& context, uint32_t widest, uint32_t rows) {
    stride_ = widest;
    bytes_.reset(new (std::nothrow) uint8_t[uint64_t{stride_} * (rows + 1)]());
    return bytes_ != nullptr || context.outOfMemory();
  }
  const uint8_t* zeros() const { return bytes_.get(); }
  uint8_t* row(uint32_t i) { return bytes_.get() + uint64_t{stride_} * (i + 1); }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  uint32_t stride_ = 0;
};

uint8_t* pixelAt(const PngImage& image, const PassGeometry& pass, uint32_t j, uint32_t k) {
  const PngHeader& h = image.header;
  const uint64_t row = pass.rowStart + uint64_t{j} * pass.rowStep;
  const uint64_t column = pass.columnStart + uint64_t{k} * pass.columnStep;
  return image.pixels.get() + row * h.rowBytes + column * h.bytesPerPixel;
}

// The IDAT chunks from the reader's position, handed out in pieces of at most the work buffer.
class IdatReader {
 public:
  enum class Piece : uint8_t { kData, kEnd, kFailed };

  IdatReader(const OperationContext& context, platform::File& src)
      : context_(context), src_(src), buffer_(context.workspace.workBuffer.data()) {}

  // The next piece of data; kEnd at the first chunk that is no IDAT (src then at its header),
  // kFailed after a short read (message shown) or a stop. Chunks of length 0 give no piece.
  Piece next(const uint8_t*& data, size_t& n) {
    while (dataLeft_ == 0) {
      // The CRC is read past, not checked.
      uint8_t crc[kChunkCrcSize];
      if (crcLeft_ && !src_.readExact(crc, sizeof crc)) return failed();
      crcLeft_ = false;
      if (context_.stopped()) return Piece::kFailed;
      uint8_t head[kChunkHeaderSize];
      if (!src_.readExact(head, sizeof head)) return failed();
      if (!isChunkType(head, "IDAT")) {
        return src_.seek(src_.position() - sizeof head) ? Piece::kEnd : failed();
      }
      dataLeft_ = loadBe32(head);
      crcLeft_ = true;
    }
    if (context_.stopped()) return Piece::kFailed;
    n = std::min<size_t>(dataLeft_, kBufferSize);
    if (!src_.readExact(buffer_, n)) return failed();
    dataLeft_ -= static_cast<uint32_t>(n);
    data = buffer_;
    return Piece::kData;
  }

  // Passes over the rest of the sequence: src ends at the header of the chunk after it.
  bool skipRest() {
    for (;;) {
      const uint8_t* data;
      size_t n;
      switch (next(data, n)) {
        case Piece::kData:
          continue;
        case Piece::kEnd:
          return true;
        case Piece::kFailed:
          return false;
      }
    }
  }

 private:
  Piece failed() {
    context_.readFailed();
    return Piece::kFailed;
  }

  const OperationContext& context_;
  platform::File& src_;
  uint8_t* buffer_;
  uint32_t dataLeft_ = 0;  // of the current chunk, not yet read
  bool crcLeft_ = false;
};

// The zlib stream of the IDAT sequence, handed out in exact runs of bytes.
class ImageInflater {
 public:
  explicit ImageInflater(IdatReader& reader) : reader_(reader) {}
  ~ImageInflater() {
    if (open_) inflateEnd(&zs_);
  }
  ImageInflater(const ImageInflater&) = delete;
  ImageInflater& operator=(const ImageInflater&) = delete;

  bool open(const OperationContext& context) {
    open_ = inflateInit(&zs_) == Z_OK;
    return open_ || context.outOfMemory();
  }

  // Exactly n next bytes of the stream into out. False when the stream ends or fails first, or
  // the chunks run out (message shown unless the reader has shown one or saw a stop).
  bool fill(uint8_t* out, uint32_t n, const OperationContext& context) {
    zs_.next_out = out;
    zs_.avail_out = n;
    while (zs_.avail_out != 0) {
      if (ended_) return context.readFailed();
      if (!step(context)) return false;
    }
    return true;
  }

  // The stream must end where the last scanline does: no byte more.
  bool finish(const OperationContext& context) {
    uint8_t spare;
    while (!ended_) {
      zs_.next_out = &spare;
      zs_.avail_out = 1;
      if (!step(context)) return false;
      if (zs_.avail_out == 0) return context.readFailed();
    }
    return true;
  }

 private:
  bool step(const OperationContext& context) {
    if (zs_.avail_in == 0) {
      const uint8_t* data = nullptr;
      size_t size = 0;
      switch (reader_.next(data, size)) {
        case IdatReader::Piece::kData:
          break;
        case IdatReader::Piece::kEnd:
          return context.readFailed();  // the stream ends early
        case IdatReader::Piece::kFailed:
          return false;
      }
      zs_.next_in = const_cast<Bytef*>(data);
      zs_.avail_in = static_cast<uInt>(size);
    }
    const int result = inflate(&zs_, Z_SYNC_FLUSH);
    if (result == Z_STREAM_END) ended_ = true;
    // Data, memory and stream errors, a preset dictionary, or no progress with room on both
    // sides.
    const bool stuck = result == Z_BUF_ERROR && zs_.avail_in != 0 && zs_.avail_out != 0;
    if ((result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) || stuck) {
      return context.readFailed();
    }
    return true;
  }

  IdatReader& reader_;
  z_stream zs_{};
  bool open_ = false;
  bool ended_ = false;
};

// Filtered scanlines gathered in the sample buffer and deflated a buffer at a time; the output
// goes to the IDAT chunks in steps of kDeflateStep bytes through the codec buffer.
class ScanlineDeflater {
 public:
  ScanlineDeflater(const OperationContext& context, IdatWriter& idat)
      : context_(context),
        idat_(idat),
        compressor_({context.workspace.codecBuffer.data(), kDeflateStep + kCodecAreaSlack}),
        buffer_(context.workspace.sampleBuffer.data()) {}

  bool open(uint8_t level) { return compressor_.open(level, Z_FILTERED) || context_.outOfMemory(); }

  bool add(const uint8_t* bytes, size_t n) {
    while (n != 0) {
      if (gathered_ == kBufferSize && !deflateGathered(false)) return false;
      const size_t piece = std::min(n, kBufferSize - gathered_);
      std::memcpy(buffer_ + gathered_, bytes, piece);
      gathered_ += piece;
      bytes += piece;
      n -= piece;
    }
    return true;
  }

  bool finish() { return deflateGathered(true) && idat_.finish(); }

 private:
  bool deflateGathered(bool last) {
    if (context_.stopped()) return false;
    const CodecStatus status = compressor_.compress(
        buffer_, gathered_, last,
        [this](uint8_t* data, size_t n) { return !context_.stopped() && idat_.add(data, n); });
    gathered_ = 0;
    // A refusing sink has shown its message, or saw a stop.
    if (status == CodecStatus::kLibraryError) return context_.writeFailed();
    return status == CodecStatus::kOk;
  }

  const OperationContext& context_;
  IdatWriter& idat_;
  Compressor compressor_;
  uint8_t* buffer_;
  size_t gathered_ = 0;
};

}  // namespace

bool allocateImage(const OperationContext& context, const PngHeader& header, PngImage& image) {
  image.header = header;
  image.imageSize = static_cast<uint32_t>(header.imageSize());
  image.linearStreamSize = streamSize(header, false);
  image.interlacedStreamSize = streamSize(header, true);
  image.pixels.reset(new (std::nothrow) uint8_t[image.imageSize]);
  return image.pixels != nullptr || context.outOfMemory();
}

uint64_t scanlineCount(const PngHeader& header, bool interlaced) {
  uint64_t rows = 0;
  for (const PassGeometry& pass : passesOf(header.width, header.height, interlaced)) {
    if (!pass.empty()) rows += pass.height;
  }
  return rows;
}

bool decodeImage(const OperationContext& context, platform::File& src, PngImage& image,
                 RowProgress& progress) {
  const PngHeader& h = image.header;
  ScanlineRows rows;
  if (!rows.allocate(context, widestScanline(h, h.interlaced), 2)) return false;
  IdatReader reader(context, src);
  ImageInflater inflater(reader);
  if (!inflater.open(context)) return false;
  for (const PassGeometry& pass : passesOf(h.width, h.height, h.interlaced)) {
    if (pass.empty()) continue;
    const uint32_t n = pass.width * h.bytesPerPixel;
    const uint8_t* prior = rows.zeros();
    for (uint32_t j = 0; j < pass.height; ++j) {
      if (context.stopped()) return false;
      uint8_t* scanline = rows.row(j & 1);
      if (!inflater.fill(scanline, n + 1, context)) return false;
      uint8_t* row = scanline + 1;
      if (!unfilterRow(scanline[0], row, prior + 1, n, h.bytesPerPixel)) {
        return context.readFailed();
      }
      if (pass.columnStep == 1) {
        std::memcpy(pixelAt(image, pass, j, 0), row, n);
      } else {
        for (uint32_t k = 0; k < pass.width; ++k) {
          std::memcpy(pixelAt(image, pass, j, k), row + k * h.bytesPerPixel, h.bytesPerPixel);
        }
      }
      prior = scanline;
      progress.row();
    }
  }
  return inflater.finish(context) && reader.skipRest();
}

bool encodeImage(const OperationContext& context, platform::File& dst, const PngImage& image,
                 const EncodeSettings& settings, RowProgress& progress) {
  const PngHeader& h = image.header;
  // Two rows gathered from an Adam7 pass (this one and its prior), two for trial filtering.
  ScanlineRows rows;
  if (!rows.allocate(context, widestScanline(h, settings.interlaced), 4)) return false;
  IdatWriter idat(context, dst, context.workspace.workBuffer.data(), settings.chunkSize);
  ScanlineDeflater deflater(context, idat);
  if (!deflater.open(settings.compressionLevel)) return false;
  FilterChooser chooser(rows.row(2), rows.row(3));
  for (const PassGeometry& pass : passesOf(h.width, h.height, settings.interlaced)) {
    if (pass.empty()) continue;
    const uint32_t n = pass.width * h.bytesPerPixel;
    const uint8_t* prior = rows.zeros();
    int lastStored = -1;
    for (uint32_t j = 0; j < pass.height; ++j) {
      if (context.stopped()) return false;
      const uint8_t* row = pixelAt(image, pass, j, 0);
      if (pass.columnStep != 1) {
        uint8_t* gathered = rows.row(j & 1);
        for (uint32_t k = 0; k < pass.width; ++k) {
          std::memcpy(gathered + k * h.bytesPerPixel, pixelAt(image, pass, j, k), h.bytesPerPixel);
        }
        row = gathered;
      }
      const uint8_t* filtered = nullptr;
      const uint8_t type = chooser.choose(row, prior, n, h.bytesPerPixel, lastStored, filtered);
      if (!deflater.add(&type, 1) || !deflater.add(filtered, n)) return false;
      lastStored = filtered[n - 1];
      prior = row;
      progress.row();
    }
  }
  return deflater.finish();
}

bool IdatWriter::add(const uint8_t* data, size_t n) {
  while (n != 0) {
    const size_t piece = std::min<size_t>(n, chunkSize_ - gathered_);
    std::memcpy(buffer_ + gathered_, data, piece);
    gathered_ += static_cast<uint32_t>(piece);
    data += piece;
    n -= piece;
    if (gathered_ == chunkSize_ && !writeChunk()) return false;
  }
  return true;
}

bool IdatWriter::writeChunk() {
  uint8_t head[kChunkHeaderSize];
  storeBe32(head, gathered_);
  std::memcpy(head + 4, "IDAT", 4);
  uint8_t crc[kChunkCrcSize];
  storeBe32(crc, chunkCrc(head + 4, {buffer_, gathered_}));
  if (!dst_.writeExact(head, sizeof head) || !dst_.writeExact(buffer_, gathered_) ||
      !dst_.writeExact(crc, sizeof crc)) {
    return context_.writeFailed();
  }
  gathered_ = 0;
  return true;
}

}  // namespace murl::png
