#include "transforms/codec.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace murl {

// Counts the library's allocations against a fixed ceiling, so a job's codec memory stays
// bounded whatever the data; a request over the ceiling is a memory error for zlib.
struct CodecArena {
  size_t used = 0;
};

namespace {

// Each block keeps its size in front of it so the ceiling can be given back on free.
constexpr size_t kHeader = alignof(std::max_align_t);

voidpf arenaAlloc(voidpf opaque, uInt items, uInt size) {
  auto* arena = static_cast<CodecArena*>(opaque);
  uint64_t bytes = static_cast<uint64_t>(items) * size;
  if (bytes > kCodecArenaSize - arena->used) return Z_NULL;
  auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes) + kHeader));
  if (block == nullptr) return Z_NULL;
  *reinterpret_cast<size_t*>(block) = static_cast<size_t>(bytes);
  arena->used += static_cast<size_t>(bytes);
  return block + kHeader;
}

void arenaFree(voidpf opaque, voidpf address) {
  if (address == Z_NULL) return;
  auto* arena = static_cast<CodecArena*>(opaque);
  auto* block = static_cast<uint8_t*>(address) - kHeader;
  arena->used -= *reinterpret_cast<size_t*>(block);
  std::free(block);
}

void useArena(z_stream& zs, CodecArena& arena) {
  zs = z_stream{};
  arena.used = 0;
  zs.zalloc = arenaAlloc;
  zs.zfree = arenaFree;
  zs.opaque = &arena;
}

// A library result that ends the work: stream, data and memory errors, and a preset dictionary
// the reader never has. No progress (Z_BUF_ERROR) is judged by the caller.
bool libraryFailed(int result) {
  return result == Z_NEED_DICT || (result < 0 && result != Z_BUF_ERROR);
}

}  // namespace

DeflateTuning deflateTuning(uint8_t levelIndex) {
  static constexpr DeflateTuning kTable[] = {
      {3, 8, 64, 64, 128},     {4, 16, 64, 64, 512},    {5, 16, 128, 128, 256},
      {6, 32, 128, 128, 512},  {7, 32, 258, 128, 1024}, {8, 32, 258, 258, 2048},
      {9, 32, 258, 258, 4096},
  };
  return kTable[levelIndex < 7 ? levelIndex : 6];
}

uint8_t headerLevelBits(int deflateLevel) {
  if (deflateLevel <= 4) return 1;
  if (deflateLevel <= 6) return 2;
  return 3;
}

std::array<uint8_t, 2> zlibHeader(int deflateLevel) {
  // CMF 0x78: deflate with a 32 KiB window. FLG: the level bits, no dictionary, and FCHECK
  // making (CMF * 256 + FLG) a multiple of 31.
  unsigned header = 0x78u << 8 | static_cast<unsigned>(headerLevelBits(deflateLevel)) << 6;
  header += 31 - header % 31;
  return {static_cast<uint8_t>(header >> 8), static_cast<uint8_t>(header & 0xFF)};
}

Compressor::Compressor(std::span<uint8_t> output)
    : output_(output), area_(output.size() - kCodecAreaSlack), arena_(new CodecArena) {}

Compressor::~Compressor() { close(); }

namespace {

// zlib's own level 3 takes its fast matcher; level 4 takes the lazy one, and the tuning gives it
// the level-3 parameters. The header bits are set to the wanted level when the header goes out.
int zlibLevel(const DeflateTuning& tuning) { return tuning.level < 4 ? 4 : tuning.level; }

bool applyTuning(z_stream& zs, const DeflateTuning& tuning) {
  return deflateTune(&zs, tuning.goodLength, tuning.lazyMatch, tuning.niceLength,
                     tuning.chainLength) == Z_OK;
}

// Bytes of a stored area deflated at the tuned level to decide whether storing goes on.
constexpr size_t kStoreProbe = 0x10000;

// Less than 1/64 saved is not worth deflate's effort.
bool shrinks(uint64_t in, uint64_t out) { return out * 64 < in * 63; }

}  // namespace

bool Compressor::open(uint8_t levelIndex, int strategy) {
  if (!start(levelIndex, strategy, 15)) return false;
  headerFixed_ = false;
  return true;
}

bool Compressor::openParts(uint8_t levelIndex) {
  if (!start(levelIndex, Z_DEFAULT_STRATEGY, -15)) return false;
  headerFixed_ = true;  // no header
  return true;
}

bool Compressor::start(uint8_t levelIndex, int strategy, int windowBits) {
  close();
  useArena(zs_, *arena_);
  tuning_ = deflateTuning(levelIndex);
  strategy_ = strategy;
  stored_ = false;
  partsStarted_ = false;
  if (deflateInit2(&zs_, zlibLevel(tuning_), Z_DEFLATED, windowBits, 8, strategy) != Z_OK)
    return false;
  open_ = true;
  if (!applyTuning(zs_, tuning_)) {
    close();
    return false;
  }
  zs_.next_out = output_.data();
  zs_.avail_out = static_cast<uInt>(area_);
  return true;
}

CodecStatus Compressor::deliver(const CodecSink& sink) {
  size_t n = area_ - zs_.avail_out;
  if (!headerFixed_ && n >= 2) {
    // zlib writes its own idea of FLEVEL (and ignores it when reading): ours replaces it.
    output_[1] = zlibHeader(tuning_.level)[1];
    headerFixed_ = true;
  }
  if (n > 0 && !sink(output_.data(), n)) return CodecStatus::kSinkRefused;
  zs_.next_out = output_.data();
  zs_.avail_out = static_cast<uInt>(area_);
  return CodecStatus::kOk;
}

CodecStatus Compressor::feed(const uint8_t* input, size_t n, int flush, const CodecSink& sink) {
  zs_.next_in = const_cast<Bytef*>(input);
  zs_.avail_in = static_cast<uInt>(n);
  for (;;) {
    int result = deflate(&zs_, flush);
    if (libraryFailed(result)) return CodecStatus::kLibraryError;
    if (result == Z_STREAM_END) return deliver(sink);
    if (zs_.avail_out == 0) {
      // A full area may still leave output pending: call again with the same flush.
      if (CodecStatus s = deliver(sink); s != CodecStatus::kOk) return s;
      continue;
    }
    // Room left in the area means the flush is complete; a finish must have ended the stream.
    if (flush == Z_FINISH || zs_.avail_in != 0) return CodecStatus::kLibraryError;
    return CodecStatus::kOk;
  }
}

CodecStatus Compressor::storeFromHere(const CodecSink& sink) {
  zs_.avail_in = 0;
  for (;;) {
    int result = deflateParams(&zs_, 0, strategy_);
    if (result == Z_OK) break;
    // The block could not be ended for want of room: hand the full area on and try again.
    if (result != Z_BUF_ERROR || zs_.avail_out != 0) return CodecStatus::kLibraryError;
    if (CodecStatus s = deliver(sink); s != CodecStatus::kOk) return s;
  }
  stored_ = true;
  return CodecStatus::kOk;
}

uint64_t Compressor::producedBytes() {
  unsigned pending = 0;
  int bits = 0;
  deflatePending(&zs_, &pending, &bits);
  return zs_.total_out + pending;
}

CodecStatus Compressor::compress(const uint8_t* input, size_t n, bool last, const CodecSink& sink) {
  if (!open_) return CodecStatus::kLibraryError;
  return feed(input, n, last ? Z_FINISH : Z_SYNC_FLUSH, sink);
}

bool Compressor::resetForPart() {
  if (deflateReset(&zs_) != Z_OK) return false;
  // A reset keeps the level: a part that ended stored gets the tuned one back. A reset stream
  // takes the new level at once, with nothing to flush.
  if (stored_ && deflateParams(&zs_, zlibLevel(tuning_), strategy_) != Z_OK) return false;
  stored_ = false;
  // The reset also brought zlib's own match parameters back.
  return applyTuning(zs_, tuning_);
}

CodecStatus Compressor::compressPart(std::span<const uint8_t> history, const uint8_t* input,
                                     size_t n, bool last, const CodecSink& sink) {
  if (!open_ || (partsStarted_ && !resetForPart())) return CodecStatus::kLibraryError;
  partsStarted_ = true;
  const size_t window = std::min(history.size(), kDeflateWindow);
  if (window > 0 && deflateSetDictionary(&zs_, history.data() + history.size() - window,
                                         static_cast<uInt>(window)) != Z_OK) {
    return CodecStatus::kLibraryError;
  }
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  CodecStatus status = CodecStatus::kOk;
  if (n > 2 * kStoreProbe) {
    // The probe's block ends, so its size is known.
    if ((status = feed(input, kStoreProbe, Z_BLOCK, sink)) != CodecStatus::kOk) return status;
    if (!shrinks(kStoreProbe, producedBytes()) &&
        (status = storeFromHere(sink)) != CodecStatus::kOk) {
      return status;
    }
    status = feed(input + kStoreProbe, n - kStoreProbe, flush, sink);
  } else {
    status = feed(input, n, flush, sink);
  }
  // A finish has handed everything over; a sync-flushed part hands over its partial area.
  if (status != CodecStatus::kOk || last) return status;
  return deliver(sink);
}

void Compressor::close() {
  if (open_) deflateEnd(&zs_);
  open_ = false;
}

Decompressor::Decompressor(std::span<uint8_t> output) : output_(output), arena_(new CodecArena) {}

Decompressor::~Decompressor() { close(); }

bool Decompressor::open() {
  close();
  useArena(zs_, *arena_);
  if (inflateInit2(&zs_, 15) != Z_OK) return false;
  open_ = true;
  ended_ = false;
  return true;
}

CodecStatus Decompressor::decompress(const uint8_t* block, size_t n, bool last,
                                     const CodecSink& sink) {
  if (!open_) return CodecStatus::kLibraryError;
  // After a stream that ended with a full block, only the last block may follow, unread.
  if (ended_) return last ? CodecStatus::kOk : CodecStatus::kLibraryError;
  zs_.next_in = const_cast<Bytef*>(block);
  zs_.avail_in = static_cast<uInt>(n);
  for (;;) {
    zs_.next_out = output_.data();
    zs_.avail_out = static_cast<uInt>(output_.size());
    uInt inBefore = zs_.avail_in;
    int result = inflate(&zs_, Z_SYNC_FLUSH);
    if (libraryFailed(result)) return CodecStatus::kLibraryError;
    size_t produced = output_.size() - zs_.avail_out;
    if (produced > 0 && !sink(output_.data(), produced)) return CodecStatus::kSinkRefused;
    // The stream ends in the last block, or exactly with a block before it: the writer cuts
    // pieces of the compressed bytes wherever they fall.
    if (result == Z_STREAM_END) {
      ended_ = !last && zs_.avail_in == 0;
      return last || ended_ ? CodecStatus::kOk : CodecStatus::kLibraryError;
    }
    if (zs_.avail_in == 0 && zs_.avail_out > 0) {
      // Input used up with nothing pending: fine between blocks, a missing end in the last.
      return last ? CodecStatus::kLibraryError : CodecStatus::kOk;
    }
    if (produced == 0 && zs_.avail_in == inBefore) return CodecStatus::kLibraryError;
  }
}

void Decompressor::close() {
  if (open_) inflateEnd(&zs_);
  open_ = false;
}

}  // namespace murl
