// The PNG image codec over arbitrary image data behind a valid header: decoding must refuse or
// succeed cleanly, and whatever decodes must encode (in the layout and with the settings the
// input picks) into image data that decodes to the same pixels.
#include "carriers/png/png_codec.h"

#include <zlib.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "fuzz/carrier_fuzz.h"
#include "platform/byte_order.h"

namespace {

using namespace murl;

constexpr size_t kControl = 6;

// Signature and IHDR for the first control bytes: up to 64 x 64 pixels of any accepted layout.
std::array<uint8_t, png::kHeadSize> headFor(const uint8_t* control) {
  std::array<uint8_t, png::kHeadSize> head{};
  std::copy(png::kSignature.begin(), png::kSignature.end(), head.begin());
  uint8_t* chunk = head.data() + png::kSignature.size();
  storeBe32(chunk, 13);
  std::memcpy(chunk + 4, "IHDR", 4);
  storeBe32(chunk + 8, 1 + control[0] % 64);
  storeBe32(chunk + 12, 1 + control[1] % 64);
  chunk[16] = control[2] & 1 ? 16 : 8;
  chunk[17] = static_cast<uint8_t>((control[2] >> 1) % 4 * 2);
  chunk[20] = control[3] & 1;
  return head;
}

// The IDAT chunks around `data`, `piece` bytes each (0: one chunk), then IEND.
void writeChunks(platform::File& file, const uint8_t* data, size_t size, size_t piece) {
  const auto chunk = [&file](const char* type, const uint8_t* body, size_t n) {
    uint8_t head[8];
    storeBe32(head, static_cast<uint32_t>(n));
    std::memcpy(head + 4, type, 4);
    uint8_t crc[4] = {};
    file.writeExact(head, sizeof head);
    file.writeExact(body, n);
    file.writeExact(crc, sizeof crc);
  };
  const size_t step = piece == 0 ? size : piece;
  for (size_t at = 0; at < size; at += step) chunk("IDAT", data + at, std::min(step, size - at));
  chunk("IEND", nullptr, 0);
}

bool decodeFile(const OperationContext& context, platform::FileSystem& files,
                const std::string& path, png::PngImage& image) {
  auto file = files.openRead(path);
  std::array<uint8_t, png::kHeadSize> head{};
  png::PngHeader header;
  if (!file.readExact(head.data(), head.size()) || !png::parseHeader(head, false, header)) {
    return false;
  }
  png::RowProgress progress(context, 0);
  return png::allocateImage(context, header, image) &&
         png::decodeImage(context, file, image, progress);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::CarrierFuzz state("png_codec");
  if (size < kControl) return 0;
  const uint8_t* control = data;
  data += kControl;
  size -= kControl;
  // Half the inputs are filtered scanlines that the target compresses itself, so the
  // unfiltering and the Adam7 layout are reached without a fuzzer-made zlib stream.
  std::vector<uint8_t> compressed;
  if (control[4] & 1) {
    uLongf bound = compressBound(static_cast<uLong>(size));
    compressed.resize(bound);
    if (compress(compressed.data(), &bound, data, static_cast<uLong>(size)) != Z_OK) return 0;
    compressed.resize(bound);
    data = compressed.data();
    size = compressed.size();
  }
  {
    auto file = state.files.createTruncate(state.input);
    const auto head = headFor(control);
    file.writeExact(head.data(), head.size());
    writeChunks(file, data, size, control[5] % 17);
  }
  const OperationContext context(state.workspace, Operation::kHide);
  png::PngImage image;
  if (!decodeFile(context, state.files, state.input, image)) return 0;

  const std::string output = state.input + ".out";
  const png::EncodeSettings settings{(control[4] & 2) != 0, static_cast<uint8_t>(control[3] % 7),
                                     16384};
  {
    auto file = state.files.createTruncate(output);
    auto head = headFor(control);
    head[png::kInterlaceByte] = settings.interlaced;
    file.writeExact(head.data(), head.size());
    png::RowProgress progress(context, 0);
    if (!png::encodeImage(context, file, image, settings, progress)) std::abort();
    const uint8_t end[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D'};
    file.writeExact(end, sizeof end);
  }
  png::PngImage again;
  if (!decodeFile(context, state.files, output, again) ||
      std::memcmp(image.pixels.get(), again.pixels.get(), image.imageSize) != 0) {
    std::abort();
  }
  return 0;
}
