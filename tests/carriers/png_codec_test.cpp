// The PNG image codec: decoding checked against ImageMagick's reading of independent files and
// against the builder's own pixels, every way the image data can be broken, and encoding checked by
// zlib and the decoder.
#include "carriers/png/png_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

#include "carriers/png_decoding.h"
#include "carriers/round_trip.h"
#include "support/png_builder.h"

namespace murl::test {
namespace {

const std::string kData = MURL_TEST_DATA_DIR;

class PngCodecTest : public ::testing::Test {
 protected:
  // Writes `bytes` and decodes them; the messages shown land in the reporter.
  bool decodes(const std::vector<uint8_t>& bytes, png::PngImage& image) {
    writeAll(trip.dir.file("d.png"), bytes);
    return decodePngFile(trip.dir.file("d.png"), trip.workspace, image);
  }
  bool decodes(const std::vector<uint8_t>& bytes) {
    png::PngImage image;
    return decodes(bytes, image);
  }

  // A file holding the image encoded with `settings`: signature, IHDR, the new IDAT sequence,
  // IEND.
  std::vector<uint8_t> encoded(const png::PngImage& image, const png::EncodeSettings& settings,
                               const PngShape& shape) {
    PngShape target = shape;
    target.interlace = settings.interlaced ? 1 : 0;
    const auto whole = buildPng(target, std::vector<uint8_t>{});
    const auto head = std::vector<uint8_t>(whole.begin(), whole.begin() + png::kHeadSize);
    const std::string path = trip.dir.file("e.png");
    {
      auto file = platform::realFileSystem().createTruncate(path);
      EXPECT_TRUE(file.writeExact(head.data(), head.size()));
      const OperationContext context(trip.workspace, Operation::kHide);
      png::RowProgress progress(context, 0);
      EXPECT_TRUE(png::encodeImage(context, file, image, settings, progress));
      const auto end = pngChunk("IEND", {});
      EXPECT_TRUE(file.writeExact(end.data(), end.size()));
    }
    return readAll(path);
  }

  RoundTrip trip;
};

// The CRC-32 of each fixture's pixels as `convert FILE -depth D -endian MSB rgba:-` gives them
// (tests/data/README.md).
TEST_F(PngCodecTest, FixturesDecodeToThePixelsImageMagickReads) {
  std::ifstream list(kData + "/png_pixels.txt");
  std::string name, crc;
  int files = 0;
  while (list >> name >> crc) {
    png::PngImage image;
    ASSERT_TRUE(decodePngFile(kData + "/" + name, trip.workspace, image)) << name;
    const auto rgba = rgbaOf(image);
    std::ostringstream hex;
    hex << std::hex << std::setw(8) << std::setfill('0')
        << crc32(0, rgba.data(), static_cast<uInt>(rgba.size()));
    EXPECT_EQ(hex.str(), crc) << name;
    ++files;
  }
  EXPECT_EQ(files, 9);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(PngCodecTest, ImageDataDecodesAlikeHoweverItIsCutIntoChunks) {
  for (const PngShape& base :
       {PngShape{.width = 29, .height = 13},
        PngShape{.width = 11, .height = 9, .bitDepth = 16, .colourType = 4, .interlace = 1}}) {
    const auto pixels = pngPixels(base, noisySample);
    const auto data = zlibCompress(pngScanlines(base, pixels));
    const std::vector<std::vector<size_t>> splits{
        {}, {0}, {0, 0, 5, 0}, {1, 1, 1, 1, 1}, {data.size()}, {data.size() - 1, 0}};
    for (const auto& split : splits) {
      PngShape s = base;
      s.idatSplit = split;
      png::PngImage image;
      ASSERT_TRUE(decodes(buildPng(s, data), image)) << split.size();
      EXPECT_EQ(pixelsOf(image), pixels) << split.size();
    }
    // Every chunk one byte long.
    PngShape bytewise = base;
    bytewise.idatSplit.assign(data.size() - 1, 1);
    png::PngImage image;
    ASSERT_TRUE(decodes(buildPng(bytewise, data), image));
    EXPECT_EQ(pixelsOf(image), pixels);
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// Bytes after the end of the zlib stream, and bad CRCs, are no reason to refuse an image.
TEST_F(PngCodecTest, BytesAfterTheStreamAndChunkCrcsAreNotRead) {
  const PngShape s{.width = 12, .height = 7};
  const auto pixels = pngPixels(s, noisySample);
  auto data = zlibCompress(pngScanlines(s, pixels));
  data.insert(data.end(), {1, 2, 3, 4, 5});
  PngShape split = s;
  split.idatSplit = {data.size() - 3};
  auto file = buildPng(split, data);
  for (const PngChunkView& chunk : pngChunks(file)) {
    if (chunk.type == "IDAT") file[chunk.offset + 8 + chunk.data.size()] ^= 0x55;
  }
  png::PngImage image;
  ASSERT_TRUE(decodes(file, image));
  EXPECT_EQ(pixelsOf(image), pixels);
}

std::vector<uint8_t> withChunkInsertedBeforeIdat(std::vector<uint8_t> file, int idatIndex,
                                                 const std::vector<uint8_t>& chunk) {
  int seen = 0;
  for (const PngChunkView& c : pngChunks(file)) {
    if (c.type == "IDAT" && seen++ == idatIndex) {
      file.insert(file.begin() + static_cast<ptrdiff_t>(c.offset), chunk.begin(), chunk.end());
      break;
    }
  }
  return file;
}

TEST_F(PngCodecTest, BrokenImageDataFailsWithOneMessage) {
  const PngShape s{.width = 16, .height = 10};
  const auto scanlines = pngScanlines(s, pngPixels(s, noisySample));
  const auto data = zlibCompress(scanlines);
  const auto withScanlines = [&](std::vector<uint8_t> lines) {
    return buildPng(s, zlibCompress(lines));
  };
  PngShape halves = s;
  halves.idatSplit = {data.size() / 2};
  auto shortStream = scanlines;
  shortStream.resize(shortStream.size() - 1);
  auto longStream = scanlines;
  longStream.insert(longStream.end(), 1 + 16 * 3, 0);
  auto badFilter = scanlines;
  badFilter[3 * (1 + 16 * 3)] = 5;
  auto badAdler = data;
  badAdler.back() ^= 1;
  auto withDictionary = data;
  withDictionary[1] = 0xBB;  // FDICT set, header check still a multiple of 31
  withDictionary.insert(withDictionary.begin() + 2, {0, 0, 0, 1});
  const auto whole = buildPng(s, data);
  const size_t iend = whole.size() - 12;
  const std::pair<const char*, std::vector<uint8_t>> broken[] = {
      {"image data interrupted by a tEXt chunk",
       withChunkInsertedBeforeIdat(buildPng(halves, data), 1, pngChunk("tEXt", {'a', 0, 'b'}))},
      {"stream one byte short of the image", withScanlines(shortStream)},
      {"stream holding a scanline more than the image", withScanlines(longStream)},
      {"filter type 5", withScanlines(badFilter)},
      {"zlib data cut short", buildPng(s, std::vector<uint8_t>(data.begin(), data.end() - 9))},
      {"wrong Adler-32", buildPng(s, badAdler)},
      {"preset dictionary", buildPng(s, withDictionary)},
      {"not zlib at all", buildPng(s, std::vector<uint8_t>(40, 0x33))},
      {"file ends inside the image data", {whole.begin(), whole.begin() + 60}},
      {"file ends after the image data", {whole.begin(), whole.begin() + iend}},
  };
  for (const auto& [defect, file] : broken) {
    EXPECT_FALSE(decodes(file)) << defect;
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadFile}) << defect;
    trip.reporter.clear();
  }
}

// Chunk sizes by feeding the writer compressed bytes directly: every chunk but the last holds
// exactly K bytes, the last 1 to K, and no empty chunk is written.
TEST_F(PngCodecTest, IdatChunksHoldExactlyTheChunkSizeButTheLast) {
  struct Row {
    size_t bytes;
    uint32_t chunkSize;
    std::vector<uint32_t> lengths;
  };
  const Row rows[] = {
      {100000, 16384, {16384, 16384, 16384, 16384, 16384, 16384, 1696}},
      {32768, 16384, {16384, 16384}},
      {0, 16384, {}},
      {16383, 16384, {16383}},
      {0x400001, 0x400000, {0x400000, 1}},
  };
  for (const Row& row : rows) {
    const auto bytes = randomBytes(row.bytes, 3);
    const std::string path = trip.dir.file("idat");
    {
      auto file = platform::realFileSystem().createTruncate(path);
      const OperationContext context(trip.workspace, Operation::kHide);
      png::IdatWriter writer(context, file, trip.workspace.workBuffer.data(), row.chunkSize);
      for (size_t at = 0; at < bytes.size(); at += 7000) {
        ASSERT_TRUE(writer.add(bytes.data() + at, std::min<size_t>(7000, bytes.size() - at)));
      }
      ASSERT_TRUE(writer.finish());
    }
    // The chunks, read as if they followed a signature.
    auto file = readAll(path);
    file.insert(file.begin(), 8, 0);
    std::vector<uint32_t> lengths;
    std::vector<uint8_t> joined;
    for (const PngChunkView& chunk : pngChunks(file)) {
      EXPECT_EQ(chunk.type, "IDAT");
      EXPECT_TRUE(chunk.crcMatches);
      lengths.push_back(static_cast<uint32_t>(chunk.data.size()));
      joined.insert(joined.end(), chunk.data.begin(), chunk.data.end());
    }
    EXPECT_EQ(lengths, row.lengths) << row.bytes;
    EXPECT_EQ(joined, bytes) << row.bytes;
  }
}

TEST_F(PngCodecTest, EncodedImagesDecodeToTheirPixelsInEveryLayout) {
  const PngShape shapes[] = {
      {.width = 37, .height = 21},
      {.width = 37, .height = 21, .bitDepth = 16, .colourType = 6},
      {.width = 1, .height = 9, .colourType = 0},
      {.width = 2, .height = 3, .bitDepth = 16, .colourType = 4},
      {.width = 3, .height = 1, .colourType = 6},
      {.width = 4, .height = 17, .bitDepth = 16, .colourType = 2},
      {.width = 5, .height = 5, .colourType = 0},
  };
  for (const PngShape& s : shapes) {
    png::PngImage source;
    ASSERT_TRUE(decodes(buildPng(s), source));
    for (bool interlaced : {false, true}) {
      const png::EncodeSettings settings{interlaced, static_cast<uint8_t>(s.width % 7), 16384};
      const auto file = encoded(source, settings, s);
      SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " type " << int{s.colourType}
                                      << " interlaced " << interlaced);
      png::PngImage back;
      ASSERT_TRUE(decodes(file, back));
      EXPECT_EQ(pixelsOf(back), pixelsOf(source));
      // The stream holds exactly the scanlines the builder's own layout has.
      PngShape target = s;
      target.interlace = interlaced;
      EXPECT_EQ(zlibInflate(pngImageData(file)).size(),
                pngScanlines(target, pixelsOf(source)).size());
    }
  }
}

TEST_F(PngCodecTest, AllZeroImageIsStoredWithFilterTypeZeroThroughout) {
  for (uint8_t interlace : {0, 1}) {
    const PngShape s{.width = 23, .height = 11, .interlace = interlace};
    const auto zero = [](uint32_t, uint32_t, uint32_t) -> uint16_t { return 0; };
    png::PngImage image;
    ASSERT_TRUE(decodes(buildPng(s, zero), image));
    const auto file = encoded(image, {interlace == 1, 3, 16384}, s);
    // The builder stores every scanline with type 0: so must the encoder.
    EXPECT_EQ(zlibInflate(pngImageData(file)), pngScanlines(s, pngPixels(s, zero)));
  }
}

}  // namespace
}  // namespace murl::test
