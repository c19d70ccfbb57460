// The PNG carrier; its targets must decode to the source's pixels but for the unit bits.
#include "carriers/png/png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <fstream>

#include "carriers/common/operation.h"
#include "carriers/conformance.h"
#include "carriers/png/png_codec.h"
#include "carriers/png/png_filters.h"
#include "support/png_builder.h"

namespace murl::test {
namespace {

// Decodes a PNG file's image data with the codec; false when its header is no carrier's or the
// data does not decode (the decoder's message goes to the workspace's reporter).
bool decodePng(const Bytes& file, Workspace& workspace, png::PngImage& image) {
  TempDir dir;
  writeAll(dir.file("d.png"), file);
  auto src = platform::realFileSystem().openRead(dir.file("d.png"));
  png::PngHeader header;
  if (file.size() < png::kHeadSize ||
      !png::parseHeader(std::span<const uint8_t, png::kHeadSize>(file.data(), png::kHeadSize),
                        false, header)) {
    return false;
  }
  // The decoder starts at the first IDAT chunk (or, when the chunks are broken, after IHDR).
  const auto chunks = pngChunks(file);
  const auto idat = std::find_if(chunks.begin(), chunks.end(),
                                 [](const PngChunkView& c) { return c.type == "IDAT"; });
  src.seek(idat == chunks.end() ? png::kHeadSize : idat->offset);
  const OperationContext context(workspace, Operation::kExtract);
  png::RowProgress progress(context, 0);
  return png::allocateImage(context, header, image) &&
         png::decodeImage(context, src, image, progress);
}

png::PngImage decoded(const Bytes& file) {
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  png::PngImage image;
  decodePng(file, workspace, image);
  return image;
}

// The pixels as red, green, blue and alpha samples of the image's depth (16-bit ones big-endian):
// grey repeated three times, full alpha where there is none.
std::vector<uint8_t> rgbaOf(const png::PngImage& image) {
  const png::PngHeader& h = image.header;
  const uint32_t sampleBytes = h.bitDepth / 8;
  const uint32_t samples = h.samplesPerPixel();
  const bool grey = h.layout == png::Layout::kGrey || h.layout == png::Layout::kGreyAlpha;
  const bool alpha = h.layout == png::Layout::kGreyAlpha || h.layout == png::Layout::kColourAlpha;
  std::vector<uint8_t> out;
  for (uint64_t p = 0; p < uint64_t{h.width} * h.height; ++p) {
    const uint8_t* px = image.pixels.get() + p * h.bytesPerPixel;
    for (uint32_t c = 0; c < 4; ++c) {
      const uint32_t from = c == 3 ? samples - 1 : (grey ? 0 : c);
      for (uint32_t b = 0; b < sampleBytes; ++b) {
        out.push_back(c == 3 && !alpha ? 0xFF : px[from * sampleBytes + b]);
      }
    }
  }
  return out;
}

class PngCodecTest : public ::testing::Test {
 protected:
  // The messages shown land in the reporter.
  bool decodes(const Bytes& bytes, Bytes* pixels = nullptr) {
    png::PngImage image;
    const bool ok = decodePng(bytes, trip.workspace, image);
    if (ok && pixels) pixels->assign(image.pixels.get(), image.pixels.get() + image.imageSize);
    return ok;
  }
  RoundTrip trip;
};

// The CRC-32 of each fixture's pixels as `convert FILE -depth D -endian MSB rgba:-` gives them
// (tests/data/README.md).
TEST_F(PngCodecTest, FixturesDecodeToThePixelsImageMagickReads) {
  std::ifstream list(dataPath("png_pixels.txt"));
  std::string name, crc;
  int files = 0;
  while (list >> name >> crc) {
    png::PngImage image;
    ASSERT_TRUE(decodePng(readFixture(name), trip.workspace, image)) << name;
    const auto rgba = rgbaOf(image);
    EXPECT_EQ(crc32(0, rgba.data(), static_cast<uInt>(rgba.size())), std::stoul(crc, nullptr, 16))
        << name;
    ++files;
  }
  EXPECT_EQ(files, 10);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// Chunk CRCs and bytes after the end of the zlib stream are no reason to refuse an image.
TEST_F(PngCodecTest, ImageDataDecodesAlikeHoweverItIsCutIntoChunks) {
  for (const char* name : {"png_rgb8.png", "png_adam7_narrow.png"}) {
    const Bytes file = readFixture(name);
    Bytes pixels, again;
    ASSERT_TRUE(decodes(file, &pixels)) << name;
    Bytes data = pngImageData(file);
    const size_t n = data.size();
    data.insert(data.end(), {1, 2, 3, 4, 5});
    const std::vector<std::vector<size_t>> splits{
        {}, {0}, {0, 0, 5, 0}, {1, 1, 1, 1, 1}, {n}, {n - 1, 0}, std::vector<size_t>(n - 1, 1)};
    for (const auto& split : splits) {
      Bytes cut = withImageData(file, data, split);
      for (const PngChunkView& chunk : pngChunks(cut)) {
        if (chunk.type == "IDAT") cut[chunk.offset + 8 + chunk.data.size()] ^= 0x55;
      }
      ASSERT_TRUE(decodes(cut, &again)) << name << " " << split.size();
      EXPECT_EQ(again, pixels) << name << " " << split.size();
    }
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(PngCodecTest, BrokenImageDataFailsWithOneMessage) {
  const Bytes file = readFixture("png_rgb8.png");  // 40 x 30 RGB, 121 bytes a scanline
  const Bytes data = pngImageData(file);
  Bytes scanlines(30 * 121);
  uLongf inflated = scanlines.size();
  ASSERT_EQ(uncompress(scanlines.data(), &inflated, data.data(), data.size()), Z_OK);
  ASSERT_EQ(inflated, scanlines.size());
  const auto withScanlines = [&](Bytes lines) { return withImageData(file, zlibCompress(lines)); };
  Bytes interrupted = withImageData(file, data, {data.size() / 2});
  const auto chunks = pngChunks(interrupted);
  const auto second = std::find_if(chunks.rbegin(), chunks.rend(),
                                   [](const PngChunkView& c) { return c.type == "IDAT"; });
  const Bytes text = pngChunk("tEXt", {'a', 0, 'b'});
  interrupted.insert(interrupted.begin() + second->offset, text.begin(), text.end());
  Bytes badAdler = data;
  badAdler.back() ^= 1;
  Bytes withDictionary = data;
  withDictionary[1] = 0xBB;  // FDICT set, header check still a multiple of 31
  withDictionary.insert(withDictionary.begin() + 2, {0, 0, 0, 1});
  const std::pair<const char*, Bytes> broken[] = {
      {"image data interrupted by a tEXt chunk", interrupted},
      {"stream one byte short of the image",
       withScanlines({scanlines.begin(), scanlines.end() - 1})},
      {"stream holding a scanline more than the image", withScanlines([&] {
         Bytes more = scanlines;
         more.insert(more.end(), 121, 0);
         return more;
       }())},
      {"filter type 5", withScanlines(patched(scanlines, 3 * 121, {5}))},
      {"zlib data cut short", withImageData(file, {data.begin(), data.end() - 9})},
      {"wrong Adler-32", withImageData(file, badAdler)},
      {"preset dictionary", withImageData(file, withDictionary)},
      {"not zlib at all", withImageData(file, Bytes(40, 0x33))},
  };
  for (const auto& [defect, bytes] : broken) {
    EXPECT_FALSE(decodes(bytes)) << defect;
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadFile}) << defect;
    trip.reporter.clear();
  }
}

// The PNG standard's definitions, byte by byte: a = left, b = above, c = above left.
TEST(PngFilters, KnownAnswersWithTwoBytePixels) {
  const uint8_t prior[] = {10, 200, 30, 40, 250, 60};
  const uint8_t row[] = {15, 100, 35, 45, 5, 255};
  const std::array<Bytes, 5> expected{{
      {15, 100, 35, 45, 5, 255},
      {15, 100, 20, 201, 226, 210},  // x - a
      {5, 156, 5, 5, 11, 195},       // x - b
      {10, 0, 13, 231, 119, 203},    // x - floor((a + b) / 2)
      {5, 156, 5, 5, 11, 195},       // Paeth picks b throughout here
  }};
  for (uint8_t type = 0; type < 5; ++type) {
    Bytes out(6);
    png::filterRow(type, row, prior, 6, 2, out.data());
    EXPECT_EQ(out, expected[type]) << "type " << int{type};
  }
  // Paeth's ties: |p - b| = |p - c| takes b (a 0, b 30, c 10); |p - a| = |p - c| takes a (a 70,
  // b 10, c 30). The second byte of each row is 100.
  const std::tuple<Bytes, Bytes, uint8_t> ties[] = {{{0, 100}, {10, 30}, 30},
                                                    {{70, 100}, {30, 10}, 70}};
  for (const auto& [tied, above, predicted] : ties) {
    uint8_t out[2];
    png::filterRow(4, tied.data(), above.data(), 2, 1, out);
    EXPECT_EQ(out[1], static_cast<uint8_t>(100 - predicted)) << int{predicted};
  }
}

TEST(PngFilters, ChooserCountsChangesAndTiesGoToTheLowerType) {
  Bytes a(8), b(8);
  png::FilterChooser chooser(a.data(), b.data());
  const uint8_t zeros[4] = {};
  const uint8_t* filtered = nullptr;
  // A ramp: Sub and Paeth (which is Sub over a zero prior) both leave 10, 10, 10, 10: one change
  // after their type byte; None, Up and Average change at every byte.
  const uint8_t ramp[4] = {10, 20, 30, 40};
  EXPECT_EQ(chooser.choose(ramp, zeros, 4, 1, -1, filtered), 1);
  EXPECT_EQ(Bytes(filtered, filtered + 4), Bytes(4, 10));
  // Zeros under zeros: None stores 0 0 0 0 0 with no change at all.
  EXPECT_EQ(chooser.choose(zeros, zeros, 4, 1, 0, filtered), 0);
  // Threes under threes: None, Up and Paeth each change once after their type byte, and the last
  // byte stored for the previous scanline decides between them.
  const uint8_t threes[4] = {3, 3, 3, 3};
  const std::pair<int, uint8_t> byLast[] = {{-1, 0}, {0, 0}, {2, 2}, {4, 4}, {1, 0}};
  for (auto [last, type] : byLast) {
    EXPECT_EQ(chooser.choose(threes, threes, 4, 1, last, filtered), type) << last;
  }
}

bool parses(const Bytes& bytes, bool writesInterlaced = false) {
  png::PngHeader header;
  return png::parseHeader(std::span<const uint8_t, png::kHeadSize>(bytes.data(), png::kHeadSize),
                          writesInterlaced, header);
}

// tests/data/png_headers.txt: the header of a 32 x 24 RGB image, bent.
TEST(PngHeader, AcceptsGreyColourAndTheirAlphaAt8And16BitsLinearOrAdam7) {
  for (uint8_t type : {0, 2, 4, 6}) {
    for (uint8_t depth : {8, 16}) {
      for (uint8_t interlace : {0, 1}) {
        EXPECT_TRUE(parses(pngHead({33, 17, depth, type, interlace})))
            << int{type} << "/" << int{depth};
      }
    }
  }
  const auto cases = editedCases("png_headers.txt", pngHead({}));
  ASSERT_EQ(cases.size(), 24u);
  for (const auto& [accepted, bytes, what] : cases) EXPECT_EQ(parses(bytes), accepted) << what;
  const Bytes tall = pngHead({.width = 2, .height = 1300000000, .colourType = 0});
  EXPECT_FALSE(parses(tall, true)) << "a linear stream of 3.9e9 bytes written interlaced";
}

// A file of signature, IHDR, the given chunks and IEND.
Bytes withChunks(const std::vector<Bytes>& chunks, const PngHead& head = {}) {
  Bytes file = pngHead(head);
  for (const auto& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
  const auto end = pngChunk("IEND", {});
  file.insert(file.end(), end.begin(), end.end());
  return file;
}

// A linear stream over 32 bits counts; written interlaced (Adam7's filter bytes) it would not.
TEST(PngCount, InterlacedOutputRefusesStreamsItWouldTakeBeyond32Bits) {
  RoundTrip trip;
  const Bytes tall = pngHead({.width = 2, .height = 1300000000, .colourType = 0});
  EXPECT_GT(trip.bitsOf(tall, CarrierType::kPng), 0u);
  trip.workspace.options.pngOutput = PngOutput::kInterlaced;
  trip.expectNoCarriers(CarrierType::kPng, {{"written interlaced beyond 32 bits", tall}});
}

TEST(PngHide, BrokenChunkSequencesFailWithOneMessage) {
  const Bytes idat = pngChunk("IDAT", zlibCompress(Bytes(24 * (1 + 32 * 3), 0)));
  const Bytes text = pngChunk("tEXt", {'k', 0, 'v'});
  Bytes longEnd = withChunks({idat});
  longEnd[longEnd.size() - 9] = 1;  // IEND of length 1
  Bytes noEnd = withChunks({idat, text});
  noEnd.resize(noEnd.size() - 12);
  // 30000 x 30000 RGBA: 3.6 GB of pixels that a few bytes of deflate data can never fill.
  const std::pair<const char*, Bytes> broken[] = {
      {"image larger than its data can hold",
       withChunks({idat}, {.width = 30000, .height = 30000, .colourType = 6})},
      {"no image data", withChunks({text})},
      {"IEND of length 1", longEnd},
      {"no IEND", noEnd},
      {"a second run of image data", withChunks({idat, text, pngChunk("IDAT", {})})},
      {"chunk longer than the file", patched(withChunks({text, idat}), 33, {0x7F})},
  };
  RoundTrip trip;
  trip.randomStream(64, 24);
  for (const auto& [defect, file] : broken) {
    const auto record = trip.count(file, "c.png", CarrierType::kPng);
    ASSERT_FALSE(record.rejected) << defect;
    const CarrierEntry entry{CarrierType::kPng, record.carrierBits, {}, trip.dir.file("c.png")};
    double percentage;
    EXPECT_FALSE(trip.hide(entry.path, "t.png", entry, {0, entry.carrierBits, 512}, percentage));
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadSourceFile}) << defect;
    trip.reporter.clear();
    if (std::string_view(defect) != "no image data") continue;
    std::vector<uint8_t> bits;
    EXPECT_FALSE(trip.extract(entry, bits));
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadFile});
    trip.reporter.clear();
  }
}

// Which bytes of a pixel hold unit bits: the grey sample, or the red, green and blue ones; a
// 16-bit sample's is in its second byte.
Bytes unitBytes(const png::PngHeader& h) {
  Bytes places(h.bytesPerPixel, 0);
  const uint32_t sampleBytes = h.bitDepth / 8;
  for (uint32_t s = 0; s < (h.colourType & 2 ? 3u : 1u); ++s) {
    places[s * sampleBytes + sampleBytes - 1] = 1;
  }
  return places;
}

// Every unit sample's lowest bit in raster order over the decoded pixels (decoding is checked
// against ImageMagick's reading above); the first S skipped, then every (L + 1)-th used.
ModelOf pngModel(uint8_t level) {
  return [level](const Bytes& file) {
    const png::PngImage image = decoded(file);
    const png::PngHeader& h = image.header;
    UnitModel model{{}, (h.width & 15) + (h.height & 15) + level, level + 1u};
    const Bytes places = unitBytes(h);
    for (uint32_t i = 0; image.pixels && i < image.imageSize; ++i) {
      if (places[i % h.bytesPerPixel]) model.unitBits.push_back(image.pixels[i] & 1);
    }
    return model;
  };
}

// The chunks other than IDAT, in order (IHDR without its interlace byte), and the bytes after
// IEND.
std::pair<std::vector<std::pair<std::string, Bytes>>, Bytes> allButImageData(const Bytes& file) {
  size_t end = 0;
  std::vector<std::pair<std::string, Bytes>> chunks;
  for (const PngChunkView& chunk : pngChunks(file, &end)) {
    if (chunk.type == "IDAT") continue;
    chunks.emplace_back(chunk.type, chunk.data);
    if (chunk.type == "IHDR") chunks.back().second[12] = 0;
  }
  return {chunks, {file.begin() + static_cast<ptrdiff_t>(end), file.end()}};
}

// The target decodes to the source's pixels but for unit bits and keeps every chunk but IDAT and
// the bytes after IEND; it stores its IHDR as the output option says, every chunk with a CRC that
// matches, its image data in chunks of the chunk size, deflated at the compression level.
void expectSamePng(const Bytes& source, const Bytes& target, const Options& options) {
  const png::PngImage before = decoded(source), after = decoded(target);
  ASSERT_TRUE(after.pixels && after.imageSize == before.imageSize);
  const Bytes places = unitBytes(before.header);
  for (uint32_t i = 0; i < before.imageSize; ++i) {
    const uint8_t mayChange = places[i % before.header.bytesPerPixel];
    ASSERT_EQ((before.pixels[i] ^ after.pixels[i]) & ~mayChange, 0) << "pixel byte " << i;
  }
  EXPECT_EQ(allButImageData(target), allButImageData(source));
  const auto chunks = pngChunks(target);
  const PngOutput output = options.pngOutput;
  EXPECT_EQ(chunks[0].data[12], output == PngOutput::kAsOriginal   ? source[28]
                                : output == PngOutput::kInterlaced ? 1
                                                                   : 0);
  std::vector<size_t> lengths;
  for (const PngChunkView& chunk : chunks) {
    EXPECT_TRUE(chunk.crcMatches) << chunk.type;
    if (chunk.type == "IDAT") lengths.push_back(chunk.data.size());
  }
  for (size_t i = 0; i + 1 < lengths.size(); ++i) {
    EXPECT_EQ(lengths[i], size_t{16384} << options.pngChunkSize);
  }
  // Deflate levels 3 to 5 are marked fast, 6 default and 7 to 9 slow in the zlib header.
  const uint8_t compression = options.pngCompressionLevel;
  const Bytes data = pngImageData(target);
  ASSERT_GE(data.size(), 2u);
  EXPECT_EQ(data[1] >> 6, compression < 3 ? 1 : compression == 3 ? 2 : 3);
}

ConformanceCarrier png(const char* name, const char* fixture, uint8_t level, PngOutput output,
                       uint8_t compression = 3, uint8_t chunkSize = 2) {
  Options options = atLevel(level);
  options.pngOutput = output;
  options.pngCompressionLevel = compression;
  options.pngChunkSize = chunkSize;
  return {name,
          std::string(name) + ".png",
          CarrierType::kPng,
          [=](uint32_t) {
            ConformanceFile file{readFixture(fixture)};
            file.model = pngModel(level);
            file.expectSameOutsideUnits = [options](const Bytes& source, const Bytes& target) {
              expectSamePng(source, target, options);
            };
            // Extract reads up to the length and type of the chunk after the image data.
            const auto chunks = pngChunks(file.bytes);
            const auto last = std::find_if(chunks.rbegin(), chunks.rend(),
                                           [](const auto& c) { return c.type == "IDAT"; });
            file.cutBelow = last->offset + 12 + last->data.size() + 8;
            file.countedHead = png::kHeadSize;
            return file;
          },
          true,
          options};
}

constexpr auto kAsOriginal = PngOutput::kAsOriginal;
constexpr auto kInterlaced = PngOutput::kInterlaced;
constexpr auto kLinear = PngOutput::kLinear;

// ImageMagick's images of every layout at levels low enough for a few hundred bits, each written
// another way, noise whose image data takes two chunks among them.
INSTANTIATE_TEST_SUITE_P(
    Png, CarrierConformance,
    ::testing::Values(png("Grey8Interlaced", "png_grey8.png", 0, kInterlaced, 0, 0),
                      png("Grey16Linear", "png_grey16.png", 0, kLinear, 6, 0),
                      png("GreyAlpha8", "png_ga8.png", 0, kAsOriginal),
                      png("GreyAlpha16Interlaced", "png_ga16.png", 1, kInterlaced, 3, 0),
                      png("Rgb8Linear", "png_rgb8.png", 1, kLinear, 0, 0),
                      png("Rgba16", "png_rgba16.png", 1, kAsOriginal),
                      png("Adam7Rgb8Linear", "png_adam7_rgb8.png", 0, kLinear, 6, 1),
                      png("Adam7Narrow", "png_adam7_narrow.png", 1, kAsOriginal, 3, 0),
                      png("Rgb16SplitBytesAfterIend", "png_rgb16_split.png", 3, kAsOriginal),
                      png("NoisyChunks16K", "png_noise_rgb8.png", 3, kInterlaced, 4, 0)),
    conformanceName);

}  // namespace
}  // namespace murl::test
