#include "transforms/codec.h"

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

bool Compressor::open(uint8_t levelIndex, int strategy, AreaStoring storing) {
  close();
  useArena(zs_, *arena_);
  tuning_ = deflateTuning(levelIndex);
  strategy_ = strategy;
  storing_ = storing;
  stored_ = false;
  if (deflateInit2(&zs_, zlibLevel(tuning_), Z_DEFLATED, 15, 8, strategy) != Z_OK) return false;
  open_ = true;
  if (!applyTuning(zs_, tuning_)) {
    close();
    return false;
  }
  flevel_ = headerLevelBits(tuning_.level);
  headerFixed_ = false;
  zs_.next_out = output_.data();
  zs_.avail_out = static_cast<uInt>(area_);
  return true;
}

CodecStatus Compressor::deliver(const CodecSink& sink) {
  size_t n = area_ - zs_.avail_out;
  if (!headerFixed_ && n >= 2) {
    // zlib writes its own idea of FLEVEL (and ignores it when reading): rewrite it, then make
    // (CMF * 256 + FLG) a multiple of 31 again. No dictionary, so FDICT stays clear.
    unsigned header = (static_cast<unsigned>(output_[0]) << 8) | (flevel_ << 6);
    header += 31 - header % 31;
    output_[1] = static_cast<uint8_t>(header & 0xFF);
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

CodecStatus Compressor::switchLevel(bool store, const CodecSink& sink) {
  zs_.avail_in = 0;
  for (;;) {
    int result = deflateParams(&zs_, store ? 0 : zlibLevel(tuning_), strategy_);
    if (result == Z_OK) break;
    // The block could not be ended for want of room: hand the full area on and try again.
    if (result != Z_BUF_ERROR || zs_.avail_out != 0) return CodecStatus::kLibraryError;
    if (CodecStatus s = deliver(sink); s != CodecStatus::kOk) return s;
  }
  // Leaving level 0 brings zlib's table parameters back: the tuning replaces them again.
  if (!store && !applyTuning(zs_, tuning_)) return CodecStatus::kLibraryError;
  stored_ = store;
  return CodecStatus::kOk;
}

uint64_t Compressor::producedBytes() {
  unsigned pending = 0;
  int bits = 0;
  deflatePending(&zs_, &pending, &bits);
  return zs_.total_out + pending;
}

CodecStatus Compressor::compressStoring(const uint8_t* input, size_t n, bool last,
                                        const CodecSink& sink) {
  const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
  if (stored_ && n > 2 * kStoreProbe) {
    // Probe the start of the area at the tuned level; the block ends so its size is known.
    if (CodecStatus s = switchLevel(false, sink); s != CodecStatus::kOk) return s;
    const uint64_t before = producedBytes();
    if (CodecStatus s = feed(input, kStoreProbe, Z_BLOCK, sink); s != CodecStatus::kOk) return s;
    if (!shrinks(kStoreProbe, producedBytes() - before)) {
      if (CodecStatus s = switchLevel(true, sink); s != CodecStatus::kOk) return s;
    }
    return feed(input + kStoreProbe, n - kStoreProbe, flush, sink);
  }
  const uint64_t before = producedBytes();
  if (CodecStatus s = feed(input, n, flush, sink); s != CodecStatus::kOk) return s;
  if (last || stored_ || shrinks(n, producedBytes() - before)) return CodecStatus::kOk;
  return switchLevel(true, sink);
}

CodecStatus Compressor::compress(const uint8_t* input, size_t n, bool last, const CodecSink& sink) {
  if (!open_) return CodecStatus::kLibraryError;
  if (storing_ == AreaStoring::kWhenNotShrinking) return compressStoring(input, n, last, sink);
  return feed(input, n, last ? Z_FINISH : Z_SYNC_FLUSH, sink);
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
  return true;
}

CodecStatus Decompressor::decompress(const uint8_t* block, size_t n, bool last,
                                     const CodecSink& sink) {
  if (!open_) return CodecStatus::kLibraryError;
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
    // The stream must end in the last block, and only there.
    if (result == Z_STREAM_END) return last ? CodecStatus::kOk : CodecStatus::kLibraryError;
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
