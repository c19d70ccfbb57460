#pragma once
// The zlib codec of the hidden stream: one deflate stream per hiding job, one inflate stream per
// unhiding job, both fed area by area with bounded memory.
//
// The codec shows no messages (it sits below the engine); it says what went wrong and the caller
// shows "Error while compressing data!" or "Invalid data: extracting aborted!" for kLibraryError.
#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace murl {

// Input and output areas: 0x3FFFF0 bytes, so a full output area grows by the cipher's 16 bytes
// into a 0x400000-byte buffer.
constexpr size_t kCodecArea = 0x3FFFF0;
// Room left after the output area for the encipherment done in place.
constexpr size_t kCodecAreaSlack = 16;
// Bound on all of one stream's library allocations.
constexpr size_t kCodecArenaSize = 0x400000;

enum class CodecStatus : uint8_t {
  kOk,            // all input consumed (and, when finishing, the stream is complete)
  kLibraryError,  // zlib failed or the data is not a valid stream: the caller's message
  kSinkRefused,   // the sink returned false; it has shown its own message or saw a stop
};

// Receives each filled output area (n > 0 bytes at data). The compressor's areas have
// kCodecAreaSlack writable bytes after them. Returns false to end the work.
using CodecSink = std::function<bool(uint8_t* data, size_t n)>;

// The deflate parameters of a compression level index 0 ("Minimum") to 6 ("Maximum").
struct DeflateTuning {
  int level;  // the deflate level written in the header: index + 3
  int goodLength;
  int lazyMatch;
  int niceLength;
  int chainLength;
};
DeflateTuning deflateTuning(uint8_t levelIndex);

// The header's FLEVEL bits as this program writes them: deflate levels 3-4 -> 1, 5-6 -> 2, 7-9
// -> 3.
uint8_t headerLevelBits(int deflateLevel);

// The two bytes of a zlib header for a 32 KiB window, carrying the level bits of a deflate
// level as headerLevelBits gives them.
std::array<uint8_t, 2> zlibHeader(int deflateLevel);

// The window a part of a stream deflated in parts is primed with: the input before it.
constexpr size_t kDeflateWindow = 0x8000;

struct CodecArena;

class Compressor {
 public:
  // `output` is the area plus kCodecAreaSlack bytes (the 0x400000-byte codec buffer); smaller
  // buffers serve tests that need many areas.
  explicit Compressor(std::span<uint8_t> output);
  ~Compressor();
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  // Opens the deflate stream for a level index 0..6 with a zlib strategy (the default one for
  // the hidden stream, Z_FILTERED for filtered image rows). False only for lack of memory.
  bool open(uint8_t levelIndex, int strategy = Z_DEFAULT_STRATEGY);
  // Compresses n input bytes. A full input area goes with last = false (sync flush); the final,
  // possibly empty, rest with last = true (finish), which also drains the partial output area.
  CodecStatus compress(const uint8_t* input, size_t n, bool last, const CodecSink& sink);

  // Opens a raw deflate stream (no zlib header, no check) at a level index 0..6, to be fed by
  // compressPart.
  bool openParts(uint8_t levelIndex);
  // Deflates one part of a stream made in parts: parts made by different compressors, on
  // different threads, join in order into one deflate stream. The part is primed with the last
  // 32 KiB of `history` (the input before it) and ends with a sync flush, or with the final
  // block when `last`; everything it made has been handed to the sink when this returns. A part
  // whose first 64 KiB does not shrink by 1/64 is stored (deflate level 0) from there on, so
  // incompressible data costs little more than a copy. The bytes depend only on the part, its
  // history and the level.
  CodecStatus compressPart(std::span<const uint8_t> history, const uint8_t* input, size_t n,
                           bool last, const CodecSink& sink);
  // Ends the stream; safe to call more than once and on every path.
  void close();

 private:
  CodecStatus deliver(const CodecSink& sink);
  // Feeds n bytes with one zlib flush mode, handing every full output area to the sink.
  CodecStatus feed(const uint8_t* input, size_t n, int flush, const CodecSink& sink);
  // Stores (deflate level 0) the rest of the part; zlib ends the current block first.
  CodecStatus storeFromHere(const CodecSink& sink);
  // Output so far, counting bytes zlib still holds back.
  uint64_t producedBytes();
  bool start(uint8_t levelIndex, int strategy, int windowBits);
  // Makes the stream ready for the next part: the tuned level, no history.
  bool resetForPart();

  std::span<uint8_t> output_;
  size_t area_;
  std::unique_ptr<CodecArena> arena_;
  z_stream zs_{};
  bool open_ = false;
  bool headerFixed_ = false;
  DeflateTuning tuning_{};
  int strategy_ = Z_DEFAULT_STRATEGY;
  bool stored_ = false;        // the level is 0 now
  bool partsStarted_ = false;  // a part has been made since openParts
};

class Decompressor {
 public:
  // `output` is the output area (0x3FFFF0 bytes in the program, smaller in tests).
  explicit Decompressor(std::span<uint8_t> output);
  ~Decompressor();
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  bool open();
  // Inflates one deciphered block. A block that is not the last must be consumed whole, reaching
  // the end of the stream at most with its very last byte; the last block must reach the end
  // (bytes after it are ignored) unless the block before did, and then it is not read at all.
  // A preset dictionary, a method other than deflate or a window above 32 KiB is kLibraryError.
  CodecStatus decompress(const uint8_t* block, size_t n, bool last, const CodecSink& sink);
  void close();

 private:
  std::span<uint8_t> output_;
  std::unique_ptr<CodecArena> arena_;
  z_stream zs_{};
  bool open_ = false;
  bool ended_ = false;  // the stream ended with the last byte of a block that was not the last
};

}  // namespace murl
