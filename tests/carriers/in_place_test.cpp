// The in-place walk where its pieces meet: rows whose length is no multiple of eight, samples
// past the first 4 MiB block, and carriers inside a module rewritten where they lie.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "carriers/aiff_au/aiff_au.h"
#include "carriers/bmp/bmp.h"
#include "carriers/round_trip.h"
#include "carriers/wav/wav.h"
#include "support/audio_builder.h"
#include "support/bmp_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

// Per byte of a file, the bits hide may change.
using Mask = std::vector<uint8_t>;

Mask maskOf(size_t size, const std::function<bool(size_t)>& isUnitByte) {
  Mask mask(size, 0);
  for (size_t i = 0; i < size; ++i) mask[i] = isUnitByte(i) ? 1 : 0;
  return mask;
}

struct EdgeCase {
  const char* name;
  CarrierType type;
  LevelFormat format;
  uint8_t level;
  std::function<std::vector<uint8_t>()> make;
  std::function<Mask(const std::vector<uint8_t>&)> mask;
};

std::vector<EdgeCase> edgeCases() {
  std::vector<EdgeCase> cases;
  // Rows of 3 * 37 = 111 bytes and their padding: groups never run into the padding.
  const BmpShape rows{.width = 37, .height = 301, .tailBytes = 3};
  for (uint8_t level : {0, 3, 6}) {
    cases.push_back({"bmp rows", CarrierType::kBmpColour, LevelFormat::kBmp, level,
                     [=] {
                       std::mt19937 random(level);
                       return buildBmp(rows, [&](uint32_t, uint32_t) { return random(); });
                     },
                     [=](const std::vector<uint8_t>& bytes) {
                       const size_t start = bmpPixelStart(rows), stride = bmpRowStride(rows);
                       return maskOf(bytes.size(), [=](size_t i) {
                         return i >= start && i < start + stride * 301 &&
                                (i - start) % stride < 3 * 37;
                       });
                     }});
  }
  const auto samples = swingingSamples(0x200000 + 1003);
  const auto secondBytes = [](const std::vector<uint8_t>& bytes, size_t first) {
    return maskOf(bytes.size(), [=](size_t i) { return i >= first && (i - first) % 2 == 1; });
  };
  cases.push_back({"aiff blocks", CarrierType::kAiff, LevelFormat::kAif, 3,
                   [=] { return buildAiff(samples); },
                   [=](const std::vector<uint8_t>& b) {
                     return secondBytes(b, b.size() - 2 * samples.size());
                   }});
  cases.push_back({"au blocks", CarrierType::kAiff, LevelFormat::kAu, 3,
                   [=] { return buildAu(samples); },
                   [=](const std::vector<uint8_t>& b) {
                     return secondBytes(b, b.size() - 2 * samples.size());
                   }});
  WavShape wav;
  wav.samples = soundSamples(0x200000 + 4099, 0x200000 - 1001, 4, 8);
  wav.dataTail = {0x7F};
  cases.push_back({"wav blocks at level 0", CarrierType::kWav, LevelFormat::kWav, 0,
                   [=] { return buildWav(wav); },
                   [=](const std::vector<uint8_t>& b) {
                     const size_t first = wavSamplesOffset(wav);
                     const size_t end = first + 2 * wav.samples.size();
                     return maskOf(b.size(), [=](size_t i) {
                       return i >= first && i < end && (i - first) % 2 == 0;
                     });
                   }});
  return cases;
}

// Hides a stream that ends inside the carrier, from an unaligned start bit, and reads it back.
TEST(InPlaceWalk, BitsComeBackAcrossRowAndBlockEdges) {
  for (const EdgeCase& edge : edgeCases()) {
    SCOPED_TRACE(testing::Message() << edge.name << " level " << int{edge.level});
    RoundTrip trip;
    trip.workspace.options.setLevel(edge.format, edge.level);
    const std::vector<uint8_t> original = edge.make();
    const IdentificationRecord record = trip.count(original, "carrier", edge.type);
    ASSERT_FALSE(record.rejected);
    const uint32_t n = record.carrierBits;
    const CarrierEntry entry{record.type, n, {}, trip.dir.file("carrier")};
    trip.randomStream(n / 8 + 8, n);
    const StreamShare share{5, n, n - n / 7};  // random fill after the stream
    double percentage = 0;
    ASSERT_TRUE(trip.hide(entry.path, "target", entry, share, percentage));
    const auto target = readAll(trip.dir.file("target"));
    expectOnlyMaskedBitsDiffer(original, target, edge.mask(original));
    std::vector<uint8_t> bits;
    ASSERT_TRUE(trip.extract(trip.dir.file("target"), entry, bits));
    ASSERT_EQ(bits.size(), (n + 7) / 8);
    for (uint32_t k = 0; k < share.streamBits; ++k) {
      ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), share.startBit + k)) << k;
    }
    EXPECT_TRUE(trip.reporter.shownIds().empty());
  }
}

// The operations of a format on a carrier lying inside a module.
struct RegionOps {
  std::function<bool(Workspace&, platform::File&, const CarrierRegion&, IdentificationRecord&)>
      count;
  std::function<bool(Workspace&, platform::File&, platform::File&, const CarrierRegion&,
                     CarrierType, const StreamShare&, const HideJob&)>
      hide;
  std::function<bool(Workspace&, platform::File&, const CarrierRegion&, CarrierType, uint32_t,
                     UnitBitSink&)>
      read;
};

template <class F>
RegionOps regionOps() {
  return {
      [](Workspace& w, platform::File& src, const CarrierRegion& region, IdentificationRecord& r) {
        return format_ops::count<F>({w, Operation::kCount}, src, region, r);
      },
      [](Workspace& w, platform::File& src, platform::File& dst, const CarrierRegion& region,
         CarrierType type, const StreamShare& share, const HideJob& job) {
        double percentage = 0;
        return format_ops::hide<F>({w, Operation::kHide}, src, dst, region, type, share, job,
                                   percentage);
      },
      [](Workspace& w, platform::File& src, const CarrierRegion& region, CarrierType type,
         uint32_t bits, UnitBitSink& sink) {
        return format_ops::read<F>({w, Operation::kExtract}, src, region, type, bits, sink);
      }};
}

struct RegionCase {
  const char* name;
  std::vector<uint8_t> resource;  // as a module holds it (a bitmap without its file header)
  Mask mask;
  CarrierType type;
  RegionOps ops;
};

TEST(InPlaceWalk, CarriersInsideAModuleAreRewrittenWhereTheyLie) {
  WavShape wav;
  wav.samples = soundSamples(3000, 2600, 256, 50);
  const auto wave = buildWav(wav);
  const BmpShape bmp{.width = 30, .height = 20, .fileHeader = false};
  const auto bitmap = buildBmp(bmp, noisyPixel);
  const size_t sampleStart = wavSamplesOffset(wav);
  const size_t rowStart = bmpPixelStart(bmp), stride = bmpRowStride(bmp);
  const RegionCase cases[] = {
      {"wave", wave,
       maskOf(wave.size(),
              [&](size_t i) { return i >= sampleStart && i < sampleStart + 6000 && i % 2 == 0; }),
       CarrierType::kWav, regionOps<WavFormat>()},
      {"bitmap", bitmap,
       maskOf(bitmap.size(),
              [&](size_t i) { return i >= rowStart && (i - rowStart) % stride < 90; }),
       CarrierType::kBmpColour, regionOps<BmpFormat>()},
  };
  for (const RegionCase& c : cases) {
    SCOPED_TRACE(c.name);
    RoundTrip trip;
    const size_t offset = 1001;
    std::vector<uint8_t> module(offset + c.resource.size() + 777, 0x22);
    std::fill_n(module.begin(), offset, 0x11);
    std::copy(c.resource.begin(), c.resource.end(), module.begin() + offset);
    writeAll(trip.dir.file("m.dll"), module);
    writeAll(trip.dir.file("t.dll"), module);  // the module handler copies the module first
    const CarrierRegion region{offset, c.resource.size(), true};
    auto src = platform::realFileSystem().openRead(trip.dir.file("m.dll"));
    IdentificationRecord record;
    ASSERT_TRUE(c.ops.count(trip.workspace, src, region, record));
    // The lead-in of a sound part follows the part's size, not the module's.
    if (c.type == CarrierType::kWav) {
      EXPECT_EQ(record.carrierBits, trip.count(c.resource, "alone", c.type).carrierBits);
    }
    trip.randomStream(record.carrierBits / 8, 7);
    {
      auto dst = platform::realFileSystem().openReadWrite(trip.dir.file("t.dll"));
      auto stream = platform::realFileSystem().openRead(trip.dir.file("stream.tmp"));
      ASSERT_TRUE(c.ops.hide(trip.workspace, src, dst, region, record.type,
                             {0, record.carrierBits, record.carrierBits / 8 * 8}, {&stream, {}}));
    }
    const auto target = readAll(trip.dir.file("t.dll"));
    Mask mask(module.size(), 0);
    std::copy(c.mask.begin(), c.mask.end(), mask.begin() + offset);
    expectOnlyMaskedBitsDiffer(module, target, mask);
    EXPECT_NE(module, target);
    auto hidden = platform::realFileSystem().openRead(trip.dir.file("t.dll"));
    auto temp = platform::realFileSystem().createTruncate(trip.dir.file("sink"));
    ExtractionSink sink(trip.workspace, temp);
    ASSERT_TRUE(c.ops.read(trip.workspace, hidden, region, record.type, record.carrierBits, sink));
    ASSERT_TRUE(sink.flush());
    temp.close();
    const auto bits = readAll(trip.dir.file("sink"));
    EXPECT_TRUE(std::equal(trip.streamBytes.begin(), trip.streamBytes.end(), bits.begin()));
  }
}

}  // namespace
}  // namespace murl::test
