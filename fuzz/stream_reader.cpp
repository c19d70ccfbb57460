// The stream reader over arbitrary bytes: as a gathered stream (length, cipher blocks, check),
// as the same bytes made into a well-framed stream first (so the parse sees inflated records),
// as a decoded HiddenStream given straight to the parser, and fed in pieces to the decoder that
// runs beside the gathering.
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "carrier_fuzz.h"
#include "platform/byte_order.h"
#include "stream/hidden_stream.h"
#include "stream/stream_decoder.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace {

using namespace murl;

struct State : fuzz::CarrierFuzz {
  State() : CarrierFuzz("stream") { workspace.password.take("fuzzing password 1234"); }
};

void readGathered(State& s, const uint8_t* data, size_t n) {
  platform::File gathered = s.open(data, n);
  TempFile decoded;
  ExtractionTree tree;
  JobListener quiet;
  readHiddenStream(s.workspace, gathered, n, quiet, decoded, tree);
}

// The bytes as a HiddenStream, compressed, enciphered and framed as the writer would.
std::vector<uint8_t> framed(State& s, const uint8_t* data, size_t n) {
  std::vector<uint8_t> out(4);
  Compressor c(std::span<uint8_t>(s.workspace.codecBuffer.data(), kCipherBlockSize));
  if (!c.open(0)) return {};
  uint32_t check = 1;
  CodecSink sink = [&](uint8_t* piece, size_t m) {
    encipherBlock(piece, m, s.workspace.password, s.workspace.random);
    m += kCipherOverhead;
    check = static_cast<uint32_t>(adler32(check, piece, static_cast<uInt>(m)));
    out.insert(out.end(), piece, piece + m);
    return true;
  };
  if (c.compress(data, n, true, sink) != CodecStatus::kOk) return {};
  uint32_t length = static_cast<uint32_t>(out.size() - 4);
  storeLe32(out.data(), length);
  appendLe32(out, check);
  return out;
}

// Raw or framed bytes handed to a decoder on its own thread in pieces of a size the input picks,
// as a gathering would; what decodes is parsed.
void decodeBeside(State& s, const uint8_t* data, size_t n) {
  if (n < 1) return;
  const size_t piece = 1 + data[0] / 2 * 131u;
  std::vector<uint8_t> stream(data + 1, data + n);
  if (data[0] % 2) stream = framed(s, data + 1, n - 1);
  TempFile decoded;
  if (!decoded.create(s.workspace)) return;
  uint64_t length = 0;
  JobListener quiet;
  StreamDecoder decoder(s.workspace, stream.size(), decoded.file(), 1);
  for (size_t at = 0; at < stream.size(); at += piece)
    decoder.input().writeExact(stream.data() + at, std::min(piece, stream.size() - at));
  ExtractionTree tree;
  if (decoder.finish(quiet, length)) parseHiddenStream(s.workspace, decoded.file(), length, tree);
}

void parse(State& s, const uint8_t* data, size_t n) {
  platform::File decoded = s.open(data, n);
  ExtractionTree tree;
  parseHiddenStream(s.workspace, decoded, n, tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static State s;
  if (size < 1 || size > (1u << 20)) return 0;
  switch (data[0] % 4) {
    case 0:
      readGathered(s, data + 1, size - 1);
      break;
    case 1: {
      std::vector<uint8_t> stream = framed(s, data + 1, size - 1);
      readGathered(s, stream.data(), stream.size());
      break;
    }
    case 2:
      parse(s, data + 1, size - 1);
      break;
    default:
      decodeBeside(s, data + 1, size - 1);
  }
  return 0;
}
