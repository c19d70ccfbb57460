// The PNG carrier through its handler: capacity, what count refuses, targets that decode to the
// source's pixels but for the unit bits, chunks and trailing bytes carried over, the output
// options, broken chunk sequences, and the hidden bits where the test's own reading puts them.
#include "carriers/png/png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "carriers/conformance.h"
#include "carriers/png_decoding.h"
#include "carriers/round_trip.h"
#include "support/png_builder.h"

namespace murl::test {
namespace {

const std::string kData = MURL_TEST_DATA_DIR;

const char* const kCarrierFixtures[] = {
    "png_grey8.png",  "png_grey16.png",     "png_ga8.png",
    "png_ga16.png",   "png_rgb8.png",       "png_rgb16_split.png",
    "png_rgba16.png", "png_adam7_rgb8.png", "png_adam7_narrow.png",
};

// Which samples of a pixel are units, and where their unit bit lies: the test's own reading.
struct UnitPlaces {
  std::vector<uint32_t> offsets;  // byte of each unit sample within the pixel
  uint32_t bytesPerPixel;
};
UnitPlaces unitPlaces(const png::PngHeader& h) {
  const uint32_t sampleBytes = h.bitDepth / 8;
  const bool colour = h.colourType == 2 || h.colourType == 6;
  UnitPlaces places{{}, h.bytesPerPixel};
  for (uint32_t s = 0; s < (colour ? 3u : 1u); ++s) places.offsets.push_back(s * sampleBytes);
  // A 16-bit sample is stored high byte first: its unit bit is in the second.
  for (uint32_t& offset : places.offsets) offset += sampleBytes - 1;
  return places;
}

// The test's own reading of a PNG's units at `level`, over pixels decoded by the codec (checked
// against ImageMagick's reading in png_codec_test.cpp): every unit sample's lowest bit in raster
// order; empty when the file does not decode.
UnitModel pngModel(const std::vector<uint8_t>& bytes, uint8_t level = 3) {
  TempDir dir;
  SilentReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  writeAll(dir.file("m.png"), bytes);
  png::PngImage image;
  if (!decodePngFile(dir.file("m.png"), workspace, image)) return {};
  const png::PngHeader& h = image.header;
  UnitModel model{{}, (h.width & 15) + (h.height & 15) + level, level + 1u};
  const UnitPlaces places = unitPlaces(h);
  for (uint64_t p = 0; p < uint64_t{h.width} * h.height; ++p) {
    for (uint32_t offset : places.offsets) {
      model.unitBits.push_back(image.pixels[p * places.bytesPerPixel + offset] & 1);
    }
  }
  return model;
}

// Every byte of the target's pixels equals the source's, but for bit 0 of unit bytes. Returns the
// number of unit bits that differ.
uint64_t expectOnlyUnitBitsChanged(const png::PngImage& source, const png::PngImage& target) {
  EXPECT_EQ(source.imageSize, target.imageSize);
  std::vector<uint8_t> mayChange(source.header.bytesPerPixel, 0);
  for (uint32_t offset : unitPlaces(source.header).offsets) mayChange[offset] = 1;
  uint64_t changed = 0;
  for (uint32_t i = 0; i < source.imageSize && i < target.imageSize; ++i) {
    const uint8_t diff = source.pixels[i] ^ target.pixels[i];
    const uint8_t allowed = mayChange[i % source.header.bytesPerPixel];
    EXPECT_EQ(diff & ~allowed, 0) << "pixel byte " << i;
    changed += diff & allowed;
  }
  return changed;
}

// The chunks other than IDAT, in order (IHDR without its interlace method), and the bytes after
// IEND.
std::pair<std::vector<std::pair<std::string, std::vector<uint8_t>>>, std::vector<uint8_t>>
everythingButImageData(const std::vector<uint8_t>& file) {
  size_t end = 0;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
  for (const PngChunkView& chunk : pngChunks(file, &end)) {
    if (chunk.type == "IDAT") continue;
    chunks.emplace_back(chunk.type, chunk.data);
    if (chunk.type == "IHDR") chunks.back().second[12] = 0;  // the output format's to set
  }
  return {chunks, {file.begin() + static_cast<ptrdiff_t>(end), file.end()}};
}

class PngHandlerTest : public ::testing::Test {
 protected:
  IdentificationRecord count(const std::vector<uint8_t>& bytes) {
    return trip.count(bytes, "c.png", CarrierType::kPng);
  }
  // Copies a fixture into the folder and counts it there.
  IdentificationRecord fixture(const std::string& name) {
    writeAll(trip.dir.file(name), readAll(kData + "/" + name));
    return trip.countFile(trip.dir.file(name), CarrierType::kPng);
  }
  // Hides all of the record's bits from the stream file into `target`.
  bool hideAll(const std::string& source, const std::string& target,
               const IdentificationRecord& record, double& percentage) {
    const CarrierEntry entry{CarrierType::kPng, record.carrierBits, {}, trip.dir.file(source)};
    const uint32_t streamBits =
        static_cast<uint32_t>(std::min<uint64_t>(trip.streamBytes.size() * 8, record.carrierBits));
    return trip.hide(entry.path, target, entry, {0, record.carrierBits, streamBits}, percentage);
  }
  bool extractAll(const std::string& name, const IdentificationRecord& record,
                  std::vector<uint8_t>& bits) {
    return trip.extract(trip.dir.file(name),
                        {CarrierType::kPng, record.carrierBits, {}, trip.dir.file(name)}, bits);
  }
  png::PngImage decoded(const std::string& name) {
    png::PngImage image;
    EXPECT_TRUE(decodePngFile(trip.dir.file(name), trip.workspace, image)) << name;
    return image;
  }

  RoundTrip trip;
};

TEST_F(PngHandlerTest, CapacityOfA100By100Image) {
  struct Row {
    uint8_t colourType;
    uint8_t level;
    uint32_t bits;
  };
  // RGBA: U = 30000, S = 4 + 4 + L. Grey with alpha: U = 10000.
  const Row rows[] = {{6, 0, 29448}, {6, 3, 6954}, {4, 0, 9448}, {4, 3, 1954}, {2, 6, 3740}};
  for (const Row& row : rows) {
    trip.workspace.options.setLevel(LevelFormat::kPng, row.level);
    const auto record =
        count(buildPng({.width = 100, .height = 100, .colourType = row.colourType}));
    ASSERT_FALSE(record.rejected) << int{row.colourType} << " " << int{row.level};
    EXPECT_EQ(record.type, CarrierType::kPng);
    EXPECT_EQ(record.carrierBits, row.bits) << int{row.colourType} << " " << int{row.level};
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(PngHandlerTest, OneUsedUnitPastTheTrailerIsOneCarrierBit) {
  struct Row {
    uint8_t level;
    uint32_t width;  // of a grey image two rows high: S = (width AND 15) + 2 + level
    uint32_t bits;   // 0: no carrier
  };
  const Row rows[] = {
      {0, 274, 0},   // 548 - 4 = 544 used units
      {0, 275, 1},   // 550 - 5 = 545
      {3, 1093, 0},  // 2186 - 10 = 2176 units: 544 used
      {3, 1094, 1},  // 2188 - 11 = 2177 units: 545 used
  };
  for (const Row& row : rows) {
    trip.workspace.options.setLevel(LevelFormat::kPng, row.level);
    const auto record = count(buildPng({.width = row.width, .height = 2, .colourType = 0}));
    EXPECT_EQ(record.rejected, row.bits == 0) << row.width;
    EXPECT_EQ(record.carrierBits, row.bits) << row.width;
  }
}

TEST_F(PngHandlerTest, CountRefusesOtherKindsOfPngAndReadsOnlyTheHeader) {
  for (const char* name : {"png_palette.png", "png_grey4.png", "png_grey1.png"}) {
    EXPECT_TRUE(fixture(name).rejected) << name;
  }
  // Image data that would not decode, or no more than the header, passes count.
  EXPECT_FALSE(count(buildPng(PngShape{}, std::vector<uint8_t>(30, 0x55))).rejected);
  const auto whole = buildPng(PngShape{});
  EXPECT_FALSE(count({whole.begin(), whole.begin() + png::kHeadSize}).rejected);
  EXPECT_TRUE(count({whole.begin(), whole.begin() + png::kHeadSize - 1}).rejected);
  EXPECT_TRUE(trip.reporter.shown.empty());
}

TEST_F(PngHandlerTest, AnInterlacedStreamBeyond32BitsIsRefusedOnlyWhenWritingInterlaced) {
  // Header only: 2 x 1300000000 grey, 3.9e9 bytes linear, 4.55e9 interlaced.
  const auto whole =
      buildPng({.width = 2, .height = 1300000000, .colourType = 0}, std::vector<uint8_t>{});
  const std::vector<uint8_t> head(whole.begin(), whole.begin() + png::kHeadSize);
  EXPECT_FALSE(count(head).rejected);
  trip.workspace.options.pngOutput = PngOutput::kInterlaced;
  EXPECT_TRUE(count(head).rejected);
}

// Every fixture written with each output format, compression level and chunk size: the target
// decodes to the source's pixels but for unit bits, keeps every chunk but IDAT and the bytes after
// IEND, stores its IHDR as the output format says with a CRC that matches, cuts its image data at
// the chunk size, and gives the stream's bits back whatever the storage.
TEST_F(PngHandlerTest, TargetsDifferOnlyInUnitBitsAndTheirImageData) {
  struct Writing {
    PngOutput output;
    uint8_t compression;
    uint8_t chunkOption;
    uint8_t headerLevel;  // FLEVEL of the zlib header: 1 for deflate 3, 2 for 6, 3 for 9
  };
  const Writing writings[] = {{PngOutput::kAsOriginal, 3, 2, 2},
                              {PngOutput::kInterlaced, 0, 0, 1},
                              {PngOutput::kLinear, 6, 0, 3}};
  for (const char* name : kCarrierFixtures) {
    const auto record = fixture(name);
    ASSERT_FALSE(record.rejected) << name;
    trip.randomStream((record.carrierBits + 7) / 8, 21);
    const auto sourceBytes = readAll(trip.dir.file(name));
    const png::PngImage source = decoded(name);
    for (const Writing& w : writings) {
      SCOPED_TRACE(testing::Message() << name << " output " << static_cast<int>(w.output));
      trip.workspace.options.pngOutput = w.output;
      trip.workspace.options.pngCompressionLevel = w.compression;
      trip.workspace.options.pngChunkSize = w.chunkOption;
      double percentage = -1;
      ASSERT_TRUE(hideAll(name, "t.png", record, percentage));
      const uint64_t changed = expectOnlyUnitBitsChanged(source, decoded("t.png"));
      EXPECT_DOUBLE_EQ(percentage, changed * 100.0 / source.header.units());
      const auto targetBytes = readAll(trip.dir.file("t.png"));
      EXPECT_EQ(everythingButImageData(targetBytes), everythingButImageData(sourceBytes));
      const auto chunks = pngChunks(targetBytes);
      const uint8_t interlace = w.output == PngOutput::kAsOriginal   ? sourceBytes[28]
                                : w.output == PngOutput::kInterlaced ? 1
                                                                     : 0;
      EXPECT_EQ(chunks[0].data[12], interlace);
      EXPECT_TRUE(chunks[0].crcMatches);
      std::vector<size_t> lengths;
      for (const PngChunkView& chunk : chunks) {
        if (chunk.type == "IDAT") lengths.push_back(chunk.data.size());
      }
      for (size_t i = 0; i + 1 < lengths.size(); ++i) {
        EXPECT_EQ(lengths[i], size_t{16384} << w.chunkOption);
      }
      const auto data = pngImageData(targetBytes);
      EXPECT_EQ(data[0], 0x78);  // deflate, 32 KiB window
      EXPECT_EQ(data[1] >> 6, w.headerLevel);
      std::vector<uint8_t> bits;
      ASSERT_TRUE(extractAll("t.png", record, bits));
      EXPECT_TRUE(std::equal(trip.streamBytes.begin(),
                             trip.streamBytes.begin() + record.carrierBits / 8, bits.begin()));
    }
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// A file of signature, IHDR, the given chunks and IEND.
std::vector<uint8_t> withChunks(const std::vector<std::vector<uint8_t>>& chunks) {
  auto file = buildPng(PngShape{}, std::vector<uint8_t>{});
  file.resize(png::kHeadSize);
  for (const auto& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
  const auto end = pngChunk("IEND", {});
  file.insert(file.end(), end.begin(), end.end());
  return file;
}

TEST_F(PngHandlerTest, BrokenChunkSequencesFailHideWithOneMessage) {
  const PngShape s;
  const auto data = zlibCompress(pngScanlines(s, pngPixels(s, noisySample)));
  const auto idat = pngChunk("IDAT", data);
  const auto text = pngChunk("tEXt", {'k', 0, 'v'});
  auto longEnd = withChunks({idat});
  longEnd[longEnd.size() - 9] = 1;  // IEND of length 1
  auto noEnd = withChunks({idat, text});
  noEnd.resize(noEnd.size() - 12);
  auto tooLong = withChunks({text, idat});
  tooLong[png::kHeadSize] = 0x7F;  // the tEXt chunk claims 2 GiB
  // 30000 x 30000 RGBA: 3.6 GB of pixels that 2 KB of deflate data can never fill.
  auto huge = withChunks({idat});
  const auto hugeHead =
      buildPng({.width = 30000, .height = 30000, .colourType = 6}, std::vector<uint8_t>{});
  std::copy(hugeHead.begin(), hugeHead.begin() + png::kHeadSize, huge.begin());
  const std::pair<const char*, std::vector<uint8_t>> broken[] = {
      {"image larger than its data can hold", huge},
      {"no image data", withChunks({text})},
      {"IEND of length 1", longEnd},
      {"no IEND", noEnd},
      {"a second run of image data", withChunks({idat, text, pngChunk("IDAT", {})})},
      {"chunk longer than the file", tooLong},
  };
  for (const auto& [defect, file] : broken) {
    const auto record = count(file);
    ASSERT_FALSE(record.rejected) << defect;
    trip.randomStream(64, 24);
    double percentage;
    EXPECT_FALSE(hideAll("c.png", "t.png", record, percentage)) << defect;
    EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadSourceFile}) << defect;
    trip.reporter.clear();
  }
  // Without image data, extract has nothing to read either.
  const auto record = count(withChunks({text}));
  std::vector<uint8_t> bits;
  EXPECT_FALSE(extractAll("c.png", record, bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kCouldntReadFile});
}

// The test's own walk over the units of source and target at levels other than the default:
// the first S skipped, then every (L + 1)-th used, the first N holding NOT the stream's bits;
// every unit that is not used keeps its bit.
TEST_F(PngHandlerTest, HiddenBitsSitWhereTheTestsOwnWalkPutsThem) {
  const std::pair<const char*, uint8_t> cases[] = {
      {"png_rgba16.png", 1}, {"png_ga8.png", 0}, {"png_adam7_narrow.png", 2}};
  for (auto [name, level] : cases) {
    SCOPED_TRACE(name);
    trip.workspace.options.setLevel(LevelFormat::kPng, level);
    const auto record = fixture(name);
    ASSERT_FALSE(record.rejected);
    trip.randomStream((record.carrierBits + 7) / 8, 25);
    double percentage;
    ASSERT_TRUE(hideAll(name, "g.png", record, percentage));
    const UnitModel before = pngModel(readAll(trip.dir.file(name)), level);
    const UnitModel after = pngModel(readAll(trip.dir.file("g.png")), level);
    ASSERT_EQ(after.unitBits.size(), before.unitBits.size());
    uint64_t used = 0;
    for (size_t j = 0; j < after.unitBits.size(); ++j) {
      const bool isUsed = j >= before.leadIn && (j - before.leadIn) % before.spacing == 0;
      if (isUsed && used < record.carrierBits) {
        ASSERT_EQ(after.unitBits[j], bitAt(trip.streamBytes.data(), used) ^ 1) << j;
      } else if (!isUsed) {
        ASSERT_EQ(after.unitBits[j], before.unitBits[j]) << j;
      }
      used += isUsed;
    }
    EXPECT_EQ(used, uint64_t{record.carrierBits} + kTrailerBits);
  }
}

// Builder images with chunks around the image data, as many rows as minBits needs at level 3.
// Count reads the signature and IHDR alone; extract reads up to the length and type of the chunk
// after the image data.
ConformanceFile conformancePng(PngShape shape, uint32_t minBits) {
  const uint32_t unitsPerRow = shape.width * (shape.colourType & 2 ? 3 : 1);
  shape.height = (4 * (minBits + 544) + 36) / unitsPerRow + 1;
  shape.chunksBefore = {pngChunk("gAMA", {0, 0, 0xB1, 0x8F})};
  shape.chunksAfter = {pngChunk("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'})};
  const size_t unread = shape.chunksAfter[0].size() + 12 - png::kChunkHeaderSize;
  ConformanceFile file{buildPng(shape), {}, [](const auto& bytes) { return pngModel(bytes); }};
  file.cutBelow = file.bytes.size() - unread;
  file.countedHead = png::kHeadSize;
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Png, CarrierConformance,
    ::testing::Values(ConformanceCarrier{"Rgb8", "c.png", CarrierType::kPng,
                                         [](uint32_t n) {
                                           return conformancePng({.width = 45, .colourType = 2}, n);
                                         }},
                      ConformanceCarrier{
                          "GreyAlpha16Adam7", "g.png", CarrierType::kPng,
                          [](uint32_t n) {
                            return conformancePng(
                                {.width = 90, .bitDepth = 16, .colourType = 4, .interlace = 1}, n);
                          }},
                      ConformanceCarrier{"Rgba8Narrow", "n.png", CarrierType::kPng,
                                         [](uint32_t n) {
                                           return conformancePng(
                                               {.width = 3, .colourType = 6, .interlace = 1}, n);
                                         }}),
    conformanceName);

}  // namespace
}  // namespace murl::test
