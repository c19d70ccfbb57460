// The PNG image codec: decoding checked against ImageMagick's reading of independent files,
// however the image data is cut into chunks, and every way it can be broken; the IDAT chunks the
// writer makes; the scanline filters against the PNG standard's definitions.
#include "carriers/png/png_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <random>
#include <sstream>

#include "carriers/png/png_filters.h"
#include "carriers/png_decoding.h"
#include "carriers/round_trip.h"

namespace murl::test {
namespace {

using Bytes = std::vector<uint8_t>;

class PngCodecTest : public ::testing::Test {
 protected:
  // Writes `bytes` and decodes them; the messages shown land in the reporter.
  bool decodes(const Bytes& bytes, Bytes* pixels = nullptr) {
    writeAll(trip.dir.file("d.png"), bytes);
    png::PngImage image;
    const bool decoded = decodePngFile(trip.dir.file("d.png"), trip.workspace, image);
    if (decoded && pixels) *pixels = pixelsOf(image);
    return decoded;
  }
  RoundTrip trip;
};

// The CRC-32 of each fixture's pixels as `convert FILE -depth D -endian MSB rgba:-` gives them
// (tests/data/README.md).
TEST_F(PngCodecTest, FixturesDecodeToThePixelsImageMagickReads) {
  std::ifstream list(std::string(MURL_TEST_DATA_DIR) + "/png_pixels.txt");
  std::string name, crc;
  int files = 0;
  while (list >> name >> crc) {
    png::PngImage image;
    ASSERT_TRUE(decodePngFile(std::string(MURL_TEST_DATA_DIR) + "/" + name, trip.workspace, image))
        << name;
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
  const Bytes scanlines = zlibInflate(data);
  ASSERT_EQ(scanlines.size(), 30u * 121);
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
  const Bytes whole = withImageData(file, data);  // one IDAT chunk
  const PngChunkView idat = pngChunks(whole)[5];  // after IHDR, gAMA, cHRM, bKGD, tIME
  ASSERT_EQ(idat.type, "IDAT");
  const size_t idatEnd = idat.offset + 12 + idat.data.size();
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
      {"file ends inside the image data", {whole.begin(), whole.begin() + idatEnd - 100}},
      {"file ends after the image data", {whole.begin(), whole.begin() + idatEnd}},
  };
  for (const auto& [defect, bytes] : broken) {
    EXPECT_FALSE(decodes(bytes)) << defect;
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadFile}) << defect;
    trip.reporter.clear();
  }
}

// Chunk sizes by feeding the writer compressed bytes directly: every chunk but the last holds
// exactly K bytes, the last 1 to K, and no empty chunk is written.
TEST_F(PngCodecTest, IdatChunksHoldExactlyTheChunkSizeButTheLast) {
  const std::tuple<size_t, uint32_t, std::vector<uint32_t>> rows[] = {
      {100000, 16384, {16384, 16384, 16384, 16384, 16384, 16384, 1696}},
      {32768, 16384, {16384, 16384}},
      {0, 16384, {}},
      {16383, 16384, {16383}},
      {0x400001, 0x400000, {0x400000, 1}},
  };
  for (const auto& [size, chunkSize, expected] : rows) {
    const auto bytes = randomBytes(size, 3);
    const std::string path = trip.dir.file("idat");
    {
      auto file = platform::realFileSystem().createTruncate(path);
      const OperationContext context(trip.workspace, Operation::kHide);
      png::IdatWriter writer(context, file, trip.workspace.workBuffer.data(), chunkSize);
      for (size_t at = 0; at < bytes.size(); at += 7000) {
        ASSERT_TRUE(writer.add(bytes.data() + at, std::min<size_t>(7000, bytes.size() - at)));
      }
      ASSERT_TRUE(writer.finish());
    }
    Bytes file(8, 0);  // the chunks, read as if they followed a signature
    const Bytes written = readAll(path);
    file.insert(file.end(), written.begin(), written.end());
    std::vector<uint32_t> lengths;
    for (const PngChunkView& chunk : pngChunks(file)) {
      EXPECT_TRUE(chunk.type == "IDAT" && chunk.crcMatches);
      lengths.push_back(static_cast<uint32_t>(chunk.data.size()));
    }
    EXPECT_EQ(lengths, expected) << size;
    EXPECT_EQ(pngImageData(file), bytes) << size;
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

TEST(PngFilters, EveryTypeUndoesItselfAtEveryPixelSize) {
  std::mt19937 gen(5);
  for (uint32_t bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (uint32_t n : {bpp, 3 * bpp, 37 * bpp}) {
      const Bytes prior = randomBytes(n, gen), row = randomBytes(n, gen);
      Bytes out(n);
      for (uint8_t type = 0; type < 5; ++type) {
        png::filterRow(type, row.data(), prior.data(), n, bpp, out.data());
        ASSERT_TRUE(png::unfilterRow(type, out.data(), prior.data(), n, bpp));
        ASSERT_EQ(out, row) << "type " << int{type} << " bpp " << bpp << " n " << n;
      }
    }
  }
  Bytes row(6, 1), prior(6, 0);
  EXPECT_FALSE(png::unfilterRow(5, row.data(), prior.data(), 6, 3));
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

}  // namespace
}  // namespace murl::test
