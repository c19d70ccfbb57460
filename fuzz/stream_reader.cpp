// The stream reader over arbitrary bytes: as a gathered stream (length, cipher blocks, check),
// as the same bytes made into a well-framed stream first (so the parse sees inflated records),
// and as a decoded HiddenStream given straight to the parser.
#include <unistd.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/hidden_stream.h"
#include "platform/file.h"
#include "transforms/cipher.h"
#include "transforms/codec.h"

namespace {

using namespace murl;

class SilentReporter : public Reporter {
 public:
  void warn(const Message&) override {}
  void error(const Message&) override {}
  void report(const Message&) override {}
  bool askYesNo(const Message&) override { return false; }
};

struct State {
  State() {
    ws.tempFolder = "/dev/shm/";
    ws.password.take("fuzzing password 1234");
  }
  SilentReporter reporter;
  Workspace ws{reporter, Language::kEnglish};
  std::string input = "/dev/shm/murl_fuzz_stream_" + std::to_string(getpid());
};

void writeFile(const std::string& path, const uint8_t* data, size_t n) {
  platform::File f = platform::File::createTruncate(path);
  f.writeExact(data, n);
}

void readGathered(State& s, const uint8_t* data, size_t n) {
  writeFile(s.input, data, n);
  platform::File gathered = platform::File::openRead(s.input);
  TempFile decoded;
  ExtractionTree tree;
  JobListener quiet;
  readHiddenStream(s.ws, gathered, n, quiet, decoded, tree);
}

// The bytes as a HiddenStream, compressed, enciphered and framed as the writer would.
std::vector<uint8_t> framed(State& s, const uint8_t* data, size_t n) {
  std::vector<uint8_t> out(4);
  Compressor c(std::span<uint8_t>(s.ws.codecBuffer.data(), kCipherBlockSize));
  if (!c.open(0)) return {};
  uint32_t check = 1;
  CodecSink sink = [&](uint8_t* piece, size_t m) {
    encipherBlock(piece, m, s.ws.sampleBuffer.data(), s.ws.password, s.ws.random);
    m += kCipherOverhead;
    check = static_cast<uint32_t>(adler32(check, piece, static_cast<uInt>(m)));
    out.insert(out.end(), piece, piece + m);
    return true;
  };
  if (c.compress(data, n, true, sink) != CodecStatus::kOk) return {};
  uint32_t length = static_cast<uint32_t>(out.size() - 4);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(length >> (8 * i));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(check >> (8 * i)));
  return out;
}

void parse(State& s, const uint8_t* data, size_t n) {
  writeFile(s.input, data, n);
  platform::File decoded = platform::File::openRead(s.input);
  ExtractionTree tree;
  parseHiddenStream(s.ws, decoded, n, tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static State s;
  if (size < 1 || size > (1u << 20)) return 0;
  switch (data[0] % 3) {
    case 0:
      readGathered(s, data + 1, size - 1);
      break;
    case 1: {
      std::vector<uint8_t> stream = framed(s, data + 1, size - 1);
      readGathered(s, stream.data(), stream.size());
      break;
    }
    default:
      parse(s, data + 1, size - 1);
  }
  return 0;
}
