#include "carriers/pe/module.h"

#include <gtest/gtest.h>

#include <functional>

#include "carriers/conformance.h"
#include "carriers/pe/resource_directory.h"
#include "carriers/registry.h"
#include "carriers/round_trip.h"
#include "platform/byte_order.h"
#include "support/bmp_builder.h"
#include "support/pe_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

PeResource bitmapId(uint16_t id, std::vector<uint8_t> data) { return {2, {}, id, std::move(data)}; }
PeResource named(std::u16string type, uint16_t id, std::vector<uint8_t> data) {
  return {0, std::move(type), id, std::move(data)};
}

// A bitmap resource as a file of its own: the same pixels and sizes, so the same carrier bits.
std::vector<uint8_t> bitmapFile(int32_t width, int32_t height) {
  return buildBmp(BmpShape{.width = width, .height = height}, noisyPixel);
}

// Per byte of a module, the bits hide may change: bit 0 of every pixel byte of a 24-bit bitmap
// resource (rows of `width` pixels, no padding) and of the low byte of every wave sample.
struct UnitBits {
  std::vector<uint8_t> mask;
  explicit UnitBits(size_t size) : mask(size, 0) {}
  void bitmap(size_t at, int32_t width, int32_t height) {
    std::fill_n(mask.begin() + at + 40, size_t(width) * height * 3, uint8_t{1});
  }
  void wave(size_t at, size_t samples) {
    for (size_t i = 0; i < samples; ++i) mask[at + 44 + 2 * i] = 1;
  }
};

std::vector<uint8_t> utf16(std::u16string_view text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) bytes.insert(bytes.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
  return bytes;
}

TEST(ModuleTypeNames, WavesAndBitmapsByTheLettersOfTheName) {
  enum Taken { kNone, kWave, kBitmap };
  const std::pair<std::u16string, Taken> names[] = {
      {u"MYWAVES", kWave},  {u"wave", kWave},     {u"WAV", kWave},     {u"BmpWav", kWave},
      {u"XBMP", kBitmap},   {u"bmp", kBitmap},    {u"BITMAPS", kNone}, {u"WA", kNone},
      {u"", kNone},         {u"W\u0141V", kNone},  // 'A' in the low byte of a wider character
      {u"\u0157AV", kNone}, {u"SOUNDS", kNone},
  };
  for (const auto& [name, taken] : names) {
    pe::ResourceKind kind = pe::ResourceKind::kBitmap;
    const bool found = pe::namedTypeKind(utf16(name), kind);
    EXPECT_EQ(found, taken != kNone) << std::string(name.begin(), name.end());
    if (found) {
      EXPECT_EQ(kind == pe::ResourceKind::kWave, taken == kWave);
    }
  }
}

class ModuleTest : public ::testing::Test {
 protected:
  IdentificationRecord count(const std::vector<uint8_t>& bytes) {
    return trip.count(bytes, "m.dll", CarrierType::kModule);
  }
  uint32_t ownBits(const std::vector<uint8_t>& bytes, const std::string& name, CarrierType type) {
    const IdentificationRecord record = trip.count(bytes, name, type);
    EXPECT_FALSE(record.rejected) << name;
    return record.carrierBits;
  }
  // Hides `streamBits` stream bits from `startBit` into the module at `path`; "t_" + name.
  CarrierEntry hide(const std::string& name, const IdentificationRecord& record,
                    const StreamShare& share, double& percentage) {
    const CarrierEntry entry{record.type, record.carrierBits, record.parts, trip.dir.file(name)};
    EXPECT_TRUE(trip.hide(entry.path, "t_" + name, entry, share, percentage));
    return {record.type, record.carrierBits, record.parts, trip.dir.file("t_" + name)};
  }

  RoundTrip trip;
};

// A module with a wave type first (named types come first) and a bitmap.
PeShape mixedShape() {
  return PeShape{
      .resources = {bitmapId(1, bitmapResource(40, 30)), named(u"WAVE", 1, waveResource(1500))}};
}

TEST_F(ModuleTest, HeaderAndDirectoryDefectsMakeNoCarrier) {
  const PeModule good = buildPe(mixedShape());
  ASSERT_FALSE(count(good.bytes).rejected);
  const size_t sectionSize = good.bytes.size() - good.sectionAt;
  const size_t named = good.rootEntryAt[0];  // "WAVE"
  const size_t bitmaps = good.rootEntryAt[1];
  const uint32_t nameAt = loadLe32(&good.bytes[named]) & 0x7FFFFFFF;
  using Edit = std::function<void(std::vector<uint8_t>&)>;
  const std::pair<const char*, Edit> defects[] = {
      {"shorter than a DOS header", [](auto& b) { b.resize(63); }},
      {"no MZ signature", [](auto& b) { b[1] = 'X'; }},
      {"PE header offset past the end", [](auto& b) { storeLe32(b.data() + 60, b.size() + 1); }},
      {"no PE signature", [](auto& b) { b[0x43] = 1; }},
      {"no sections", [](auto& b) { b[0x46] = b[0x47] = 0; }},
      {"resource section named .rsrc2", [&](auto& b) { b[good.sectionHeaderAt + 5] = '2'; }},
      {"resource section named .RSRC",
       [&](auto& b) { std::copy_n(".RSRC", 5, b.begin() + good.sectionHeaderAt); }},
      {"section table past the end", [](auto& b) { b[0x54] = b[0x55] = 0xFF; }},
      {"raw data pointer past the end",
       [&](auto& b) { storeLe32(b.data() + good.sectionHeaderAt + 20, b.size() + 1); }},
      {"root directory without entries",
       [&](auto& b) { std::fill_n(b.begin() + good.sectionAt + 12, 4, 0); }},
      {"type directory that loops back to the root",
       [&](auto& b) { storeLe32(b.data() + bitmaps + 4, 0x80000000); }},
      {"name directory that loops back to its type",
       [&](auto& b) { storeLe32(b.data() + good.languageEntryAt[0] + 4, 0x80000000 | 16); }},
      {"type directory outside the section",
       [&](auto& b) { storeLe32(b.data() + bitmaps + 4, 0x80000000 | uint32_t(sectionSize - 8)); }},
      {"type name outside the section",
       [&](auto& b) { storeLe32(b.data() + named, 0x80000000 | 0x7FFFFF00); }},
      {"type name longer than the section",
       [&](auto& b) { b[good.sectionAt + nameAt] = b[good.sectionAt + nameAt + 1] = 0xFF; }},
      {"data entry outside the section",
       [&](auto& b) {
         storeLe32(b.data() + good.languageEntryAt[1] + 4, uint32_t(sectionSize - 4));
       }},
      {"resource before the start of the file",
       [&](auto& b) { storeLe32(b.data() + good.dataEntryAt[0], 0); }},
      {"resource one byte past the end", [&](auto& b) { b[good.dataEntryAt[1] + 4] += 1; }},
      {"resource size near 4 GiB",
       [&](auto& b) { storeLe32(b.data() + good.dataEntryAt[0] + 4, 0xFFFFFFF0); }},
  };
  for (const auto& [defect, edit] : defects) {
    std::vector<uint8_t> bytes = good.bytes;
    edit(bytes);
    EXPECT_TRUE(count(bytes).rejected) << defect;
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// A compact resource section: `types` entries of type 2 that all share one type directory (one
// bitmap), and `names` named types, not taken, that all share one name of 300 characters.
std::vector<uint8_t> sharingModule(uint32_t types, uint32_t names) {
  const PeModule base = buildPe({.resources = {bitmapId(1, bitmapResource(40, 30))}});
  const uint32_t entries = types + names;
  const uint32_t name = 16 + 8 * entries, typeTable = name + 2 + 600;
  const uint32_t language = typeTable + 24, data = language + 24, bitmap = data + 16;
  const std::vector<uint8_t> pixels = bitmapResource(40, 30);
  std::vector<uint8_t> s(bitmap + pixels.size(), 0);
  s[12] = static_cast<uint8_t>(names);
  s[14] = static_cast<uint8_t>(types);
  for (uint32_t i = 0; i < entries; ++i) {
    storeLe32(s.data() + 16 + 8 * i, i < names ? 0x80000000 | name : 2);
    storeLe32(s.data() + 20 + 8 * i, 0x80000000 | typeTable);
  }
  s[name] = 44;  // 300 characters
  s[name + 1] = 1;
  for (uint32_t c = 0; c < 300; ++c) s[name + 2 + 2 * c] = 'S';
  s[typeTable + 14] = s[language + 14] = 1;
  storeLe32(s.data() + typeTable + 16, 1);
  storeLe32(s.data() + typeTable + 20, 0x80000000 | language);
  storeLe32(s.data() + language + 16, 0x409);
  storeLe32(s.data() + language + 20, data);
  storeLe32(s.data() + data, base.sectionVirtualAddress + bitmap);
  storeLe32(s.data() + data + 4, static_cast<uint32_t>(pixels.size()));
  std::copy(pixels.begin(), pixels.end(), s.begin() + bitmap);
  std::vector<uint8_t> module(base.bytes.begin(), base.bytes.begin() + base.sectionAt);
  storeLe32(module.data() + base.sectionHeaderAt + 16, static_cast<uint32_t>(s.size()));
  module.insert(module.end(), s.begin(), s.end());
  return module;
}

// Pieces shared among many parents are read again for each: the walk may read no more than the
// section holds, so a small section cannot make it read without end.
TEST_F(ModuleTest, AWalkRereadingSharedPiecesPastTheSectionsSizeIsRefused) {
  const IdentificationRecord once = count(sharingModule(1, 1));
  ASSERT_FALSE(once.rejected);
  EXPECT_EQ(once.parts.size(), 1u);
  EXPECT_TRUE(count(sharingModule(200, 0)).rejected);
  EXPECT_TRUE(count(sharingModule(1, 60)).rejected);
}

TEST_F(ModuleTest, ModulesWithoutBitmapOrWaveTypesAreNoCarriers) {
  const std::vector<uint8_t> some(200, 0x41);
  const PeShape shapes[] = {
      {.resources = {{3, {}, 1, some}, {5, {}, 2, some}, {14, {}, 1, some}}},  // icons, a dialog
      {.resources = {named(u"BITMAPS", 1, bitmapResource(40, 30))}},
      {.resources = {bitmapId(1, bitmapResource(40, 30))}, .sectionName = ".data"},
  };
  for (const PeShape& shape : shapes) EXPECT_TRUE(count(buildPe(shape).bytes).rejected);
}

TEST_F(ModuleTest, UnusableBitmapsAreDroppedAndLeaveACarrierOfNoBits) {
  const uint32_t wide = ownBits(bitmapFile(40, 30), "b.bmp", CarrierType::kBmpColour);
  const PeModule both = buildPe(
      {.resources = {bitmapId(1, bitmapResource(32, 32, 8)), bitmapId(2, bitmapResource(40, 30))}});
  const IdentificationRecord record = count(both.bytes);
  ASSERT_FALSE(record.rejected);
  ASSERT_EQ(record.parts.size(), 1u);
  EXPECT_EQ(record.parts[0].offset, both.dataAt[1]);
  EXPECT_EQ(record.parts[0].type, CarrierType::kBmpColour);
  EXPECT_EQ(record.carrierBits, wide);
  // Only an 8-bit bitmap and a silent wave: still a module, of 0 carrier bits.
  WavShape silent;
  silent.samples.assign(2000, 3);
  const PeModule none = buildPe(
      {.resources = {bitmapId(1, bitmapResource(32, 32, 8)), named(u"WAVE", 1, buildWav(silent))}});
  const IdentificationRecord empty = count(none.bytes);
  EXPECT_FALSE(empty.rejected);
  EXPECT_EQ(empty.carrierBits, 0u);
  EXPECT_TRUE(empty.parts.empty());
}

TEST_F(ModuleTest, MyWavesIsAWaveAndBitmapsIsNotTaken) {
  const auto wave = waveResource(1500);
  const PeModule module = buildPe(
      {.resources = {named(u"BITMAPS", 1, bitmapResource(40, 30)), named(u"MYWAVES", 1, wave)}});
  const IdentificationRecord record = count(module.bytes);
  ASSERT_FALSE(record.rejected);
  ASSERT_EQ(record.parts.size(), 1u);
  EXPECT_EQ(record.parts[0].type, CarrierType::kWav);
  EXPECT_EQ(record.parts[0].offset, module.dataAt[1]);
  EXPECT_EQ(record.carrierBits, ownBits(wave, "w.wav", CarrierType::kWav));
}

TEST_F(ModuleTest, BitmapsInReverseIdOrderAreUsedInFileOrder) {
  const PeModule module = buildPe(
      {.resources = {bitmapId(1, bitmapResource(40, 30)), bitmapId(2, bitmapResource(32, 20))},
       .reverseData = true});
  ASSERT_LT(module.dataAt[1], module.dataAt[0]);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_EQ(record.parts.size(), 2u);
  EXPECT_EQ(record.parts[0].offset, module.dataAt[1]);
  EXPECT_EQ(record.parts[0].bits, ownBits(bitmapFile(32, 20), "b2.bmp", CarrierType::kBmpColour));
  EXPECT_EQ(record.parts[1].offset, module.dataAt[0]);
  EXPECT_EQ(record.parts[1].bits, ownBits(bitmapFile(40, 30), "b1.bmp", CarrierType::kBmpColour));
}

TEST_F(ModuleTest, ResourcesSharingTheirBytesCountOnce) {
  PeModule module = buildPe(
      {.resources = {bitmapId(1, bitmapResource(40, 30)), bitmapId(2, bitmapResource(40, 30))}});
  std::copy_n(module.bytes.begin() + module.dataEntryAt[0], 8,
              module.bytes.begin() + module.dataEntryAt[1]);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_EQ(record.parts.size(), 1u);
  EXPECT_EQ(record.carrierBits, ownBits(bitmapFile(40, 30), "b.bmp", CarrierType::kBmpColour));
}

// Over pixels whose unit bits are all 0, a hidden 0 changes a unit and a hidden 1 leaves it: a
// stream of ones with a zero at each resource's first data bit changes exactly the byte after
// each resource's lead-in, in file order, whatever the ids say.
TEST_F(ModuleTest, EachResourceBeginsItsShareAfterItsOwnLeadIn) {
  const auto flat = [](int32_t width, int32_t height) {
    return buildBmp({.width = width, .height = height, .fileHeader = false},
                    [](uint32_t, uint32_t) { return 0x808082u; });
  };
  // 32 x 16 and 16 x 16 pixels: lead-in 0 + 0 + 3; 1536 - 547 and 768 - 547 carrier bits.
  const PeModule module = buildPe(
      {.resources = {bitmapId(1, flat(16, 16)), bitmapId(2, flat(32, 16))}, .reverseData = true});
  writeAll(trip.dir.file("g.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_EQ(record.carrierBits, 989u + 221u);
  std::vector<uint8_t> stream(152, 0xFF);
  stream[0] = 0x7F;                 // hidden bit 0
  stream[989 / 8] &= ~(0x80 >> 5);  // hidden bit 989: the second resource's first
  trip.stream(stream);
  double percentage;
  const CarrierEntry target = hide("g.dll", record, {0, 1210, 1210}, percentage);
  const auto bytes = readAll(target.path);
  const std::pair<size_t, uint32_t> data[] = {{module.dataAt[1] + 40 + 3, 989},
                                              {module.dataAt[0] + 40 + 3, 221}};
  for (const auto& [first, bits] : data) {
    EXPECT_EQ(bytes[first - 3] ^ module.bytes[first - 3], 0);  // lead-in
    EXPECT_EQ(bytes[first] ^ module.bytes[first], 1);
    for (size_t i = first + 1; i < first + bits; ++i) ASSERT_EQ(bytes[i], module.bytes[i]) << i;
  }
}

TEST_F(ModuleTest, HideChangesOnlyResourceUnitsAndWeighsTheirPercentagesBySize) {
  const PeModule module = buildPe(
      {.resources = {bitmapId(1, bitmapResource(40, 30)), named(u"WAVE", 1, waveResource(1500)),
                     bitmapId(2, bitmapResource(20, 20))}});
  writeAll(trip.dir.file("r.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_EQ(record.parts.size(), 3u);
  trip.randomStream(record.carrierBits / 8 + 2);
  const StreamShare share{5, record.carrierBits, record.carrierBits - 3};
  double percentage = -1;
  const CarrierEntry target = hide("r.dll", record, share, percentage);
  const auto bytes = readAll(target.path);
  UnitBits units(module.bytes.size());
  units.bitmap(module.dataAt[0], 40, 30);
  units.wave(module.dataAt[1], 1500);
  units.bitmap(module.dataAt[2], 20, 20);
  expectOnlyMaskedBitsDiffer(module.bytes, bytes, units.mask);
  // Each resource's changed units over all its units, weighed by its size.
  const std::tuple<size_t, size_t, size_t, size_t> resources[] = {
      {module.dataAt[0] + 40, 1, 40 * 30 * 3, bitmapResource(40, 30).size()},
      {module.dataAt[1] + 44, 2, 1500, waveResource(1500).size()},
      {module.dataAt[2] + 40, 1, 20 * 20 * 3, bitmapResource(20, 20).size()}};
  double weighted = 0;
  for (const auto& [at, stride, unitCount, size] : resources) {
    size_t changed = 0;
    for (size_t u = 0; u < unitCount; ++u)
      changed += bytes[at + u * stride] != module.bytes[at + u * stride];
    weighted += double(size) * (double(changed) * 100.0 / double(unitCount));
  }
  EXPECT_NEAR(percentage, weighted / double(module.bytes.size()), 1e-9);
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(target.path, target, bits));
  for (uint32_t k = 0; k < share.streamBits; ++k) {
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), 5 + k)) << k;
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

// With fewer stream bits than the first resource holds, the rest of it and every later resource
// carry random bits: about half of them agree with the stream bits that follow.
TEST_F(ModuleTest, AShortStreamEndsInsideTheFirstResource) {
  const PeModule module = buildPe(mixedShape());
  writeAll(trip.dir.file("s.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_EQ(record.parts.size(), 2u);
  trip.randomStream(record.carrierBits / 8 + 1);
  double percentage;
  const CarrierEntry target = hide("s.dll", record, {0, record.carrierBits, 100}, percentage);
  std::vector<uint8_t> bits;
  ASSERT_TRUE(trip.extract(target.path, target, bits));
  for (uint32_t k = 0; k < 100; ++k)
    ASSERT_EQ(bitAt(bits.data(), k), bitAt(trip.streamBytes.data(), k));
  const uint32_t first = record.parts[0].bits;
  for (const auto& [from, to] : {std::pair{100u, first}, std::pair{first, record.carrierBits}}) {
    uint32_t same = 0;
    for (uint32_t k = from; k < to; ++k)
      same += bitAt(bits.data(), k) == bitAt(trip.streamBytes.data(), k);
    EXPECT_LT(same, (to - from) * 3 / 4) << from;
  }
}

// Each resource's blocks move the module's progress by the resource's share: one total, the
// module's, and reports that never go back.
TEST_F(ModuleTest, ProgressRunsOnceOverTheWholeModule) {
  struct Recorder final : CarrierProgress {
    void advanced(uint64_t done, uint64_t total) override { seen.emplace_back(done, total); }
    std::vector<std::pair<uint64_t, uint64_t>> seen;
  } recorder;
  const PeModule module = buildPe(mixedShape());
  writeAll(trip.dir.file("p.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  trip.randomStream(record.carrierBits / 8);
  uint64_t whole = 0;
  for (const CarrierPart& part : record.parts) whole += part.size;
  const auto expectOneRun = [&](const char* operation) {
    ASSERT_EQ(recorder.seen.size(), record.parts.size()) << operation;
    for (size_t i = 0; i < recorder.seen.size(); ++i) {
      EXPECT_EQ(recorder.seen[i].second, whole) << operation;
      EXPECT_GT(recorder.seen[i].first, i == 0 ? 0 : recorder.seen[i - 1].first) << operation;
    }
    EXPECT_EQ(recorder.seen.back().first, whole) << operation;
    recorder.seen.clear();
  };
  trip.workspace.carrierProgress = &recorder;
  double percentage;
  const CarrierEntry target = hide("p.dll", record, {0, record.carrierBits, 64}, percentage);
  expectOneRun("hide");
  std::vector<uint8_t> bits;
  EXPECT_TRUE(trip.extract(target.path, target, bits));
  expectOneRun("extract");
  trip.workspace.carrierProgress = nullptr;
}

TEST_F(ModuleTest, AModuleOfNoBitsIsCopiedUnchanged) {
  const PeModule module = buildPe({.resources = {bitmapId(1, bitmapResource(32, 32, 8))}});
  writeAll(trip.dir.file("z.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  ASSERT_FALSE(record.rejected);
  trip.randomStream(8);
  double percentage = -1;
  const CarrierEntry target = hide("z.dll", record, {0, 0, 0}, percentage);
  EXPECT_EQ(readAll(target.path), module.bytes);
  EXPECT_EQ(percentage, 0.0);
  std::vector<uint8_t> bits;
  EXPECT_TRUE(trip.extract(target.path, target, bits));
  EXPECT_TRUE(bits.empty());
}

TEST_F(ModuleTest, ExtractRefusesPartsThatDoNotHoldTheirBits) {
  const PeModule module = buildPe(mixedShape());
  writeAll(trip.dir.file("e.dll"), module.bytes);
  const IdentificationRecord record = count(module.bytes);
  trip.randomStream(record.carrierBits / 8);
  double percentage;
  const CarrierEntry target = hide("e.dll", record, {0, record.carrierBits, 800}, percentage);
  std::vector<uint8_t> bits;
  CarrierEntry wrongTotal = target;
  wrongTotal.carrierBits += 1;
  EXPECT_FALSE(trip.extract(target.path, wrongTotal, bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kWrongCarrierBitsNumber});
  trip.reporter.clear();
  // The wave resource read at another level no longer has the units it was counted with.
  trip.workspace.options.setLevel(LevelFormat::kWav, 5);
  EXPECT_FALSE(trip.extract(target.path, target, bits));
  EXPECT_EQ(trip.reporter.shownIds(), std::vector{MessageId::kWrongCarrierBitsNumber});
}

TEST_F(ModuleTest, TheReportListsTheLevelsOfTheResourcesItHolds) {
  const std::pair<PeShape, std::vector<LevelFormat>> cases[] = {
      {mixedShape(), {LevelFormat::kBmp, LevelFormat::kWav}},
      {{.resources = {bitmapId(1, bitmapResource(40, 30))}}, {LevelFormat::kBmp}},
      {{.resources = {named(u"MYWAVES", 1, waveResource(1500))}}, {LevelFormat::kWav}},
      {{.resources = {bitmapId(1, bitmapResource(32, 32, 8))}}, {}},
  };
  for (const auto& [shape, levels] : cases) {
    const IdentificationRecord record = count(buildPe(shape).bytes);
    LevelsUsed used{};
    markLevelsUsed({record.type, record.carrierBits, record.parts, "m.dll"}, used);
    LevelsUsed expected{};
    for (LevelFormat level : levels) expected[static_cast<size_t>(level)] = true;
    EXPECT_EQ(used, expected) << levels.size();
  }
}

// Modules linked by the mingw-w64 toolchain (tests/data/README.md): their resources in file
// order, the 8-bit bitmap, the "BITMAPS" type and the dialog left out.
TEST_F(ModuleTest, ModulesOfAnotherToolchainRoundTrip) {
  using T = CarrierType;
  const std::pair<const char*, std::vector<CarrierType>> fixtures[] = {
      {"module_pe32.dll", {T::kWav, T::kBmpColour, T::kBmpColour}},
      {"module_pe64.exe", {T::kWav, T::kBmpColour, T::kBmpColour}},
  };
  for (const auto& [name, types] : fixtures) {
    const auto source = readAll(std::string(MURL_TEST_DATA_DIR) + "/" + name);
    ASSERT_FALSE(source.empty()) << name;
    writeAll(trip.dir.file(name), source);
    const IdentificationRecord record = trip.countFile(trip.dir.file(name), T::kModule);
    std::vector<CarrierType> found;
    for (const CarrierPart& part : record.parts) found.push_back(part.type);
    EXPECT_EQ(found, types) << name;
    trip.randomStream(record.carrierBits / 8 + 1);
    double percentage;
    const CarrierEntry target =
        hide(name, record, {0, record.carrierBits, record.carrierBits}, percentage);
    EXPECT_EQ(readAll(target.path).size(), source.size());
    std::vector<uint8_t> bits;
    ASSERT_TRUE(trip.extract(target.path, target, bits)) << name;
    EXPECT_TRUE(std::equal(bits.begin(), bits.end() - 1, trip.streamBytes.begin())) << name;
  }
  EXPECT_TRUE(trip.reporter.shown.empty());
}

ConformanceFile conformanceModule(uint32_t minBits, bool wide) {
  const int32_t height = static_cast<int32_t>(minBits / 150 + 8);
  const PeModule module =
      buildPe({.resources = {bitmapId(1, bitmapResource(64, height)),
                             named(wide ? u"MYWAVES" : u"WAVE", 1, waveResource(2000))},
               .wide = wide,
               .textSection = !wide});
  UnitBits units(module.bytes.size());
  units.bitmap(module.dataAt[0], 64, height);
  units.wave(module.dataAt[1], 2000);
  return {module.bytes, units.mask};
}

INSTANTIATE_TEST_SUITE_P(
    Module, CarrierConformance,
    ::testing::Values(ConformanceCarrier{"Pe32", "m.dll", CarrierType::kModule,
                                         [](uint32_t n) { return conformanceModule(n, false); },
                                         false},
                      ConformanceCarrier{"Pe64", "m.ocx", CarrierType::kModule,
                                         [](uint32_t n) { return conformanceModule(n, true); },
                                         false}),
    conformanceName);

}  // namespace
}  // namespace murl::test
