#include "carriers/pe/module.h"

#include <gtest/gtest.h>

#include <functional>

#include "carriers/conformance.h"
#include "carriers/pe/resource_directory.h"
#include "platform/byte_order.h"
#include "support/bmp_builder.h"
#include "support/pe_builder.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

PeResource bitmap(uint16_t id, Bytes data) { return {2, {}, id, std::move(data)}; }
PeResource named(std::u16string type, uint16_t id, Bytes data) {
  return {0, std::move(type), id, std::move(data)};
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
    Bytes chars;
    for (char16_t c : name) chars.insert(chars.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
    pe::ResourceKind kind = pe::ResourceKind::kBitmap;
    EXPECT_EQ(pe::namedTypeKind(chars, kind), taken != kNone)
        << std::string(name.begin(), name.end());
    EXPECT_EQ(kind == pe::ResourceKind::kWave, taken == kWave);
  }
}

// A wave type (named types come first), then a bitmap.
PeShape mixedShape() {
  return {.resources = {named(u"WAVE", 1, waveResource(1500)), bitmap(1, bitmapResource(40, 30))}};
}

TEST(ModuleCount, HeaderAndDirectoryDefectsMakeNoCarrier) {
  const PeModule good = buildPe(mixedShape());
  const size_t sectionSize = good.bytes.size() - good.sectionAt;
  const size_t wave = good.rootEntryAt[0], bitmaps = good.rootEntryAt[1];
  const uint32_t nameAt = loadLe32(&good.bytes[wave]) & 0x7FFFFFFF;
  const auto edited = [&](size_t at, uint32_t value) {
    Bytes bytes = good.bytes;
    storeLe32(&bytes[at], value);
    return bytes;
  };
  const auto offset = [](size_t at) { return uint32_t(at); };
  RoundTrip trip;
  ASSERT_GT(trip.bitsOf(good.bytes, CarrierType::kModule), 0u);
  trip.expectNoCarriers(
      CarrierType::kModule,
      {{"shorter than a DOS header", Bytes(good.bytes.begin(), good.bytes.begin() + 63)},
       {"no MZ signature", patched(good.bytes, 1, {'X'})},
       {"PE header offset past the end", edited(60, offset(good.bytes.size() + 1))},
       {"no PE signature", patched(good.bytes, 0x43, {1})},
       {"no sections", patched(good.bytes, 0x46, {0, 0})},
       {"resource section named .rsrc2", patched(good.bytes, good.sectionHeaderAt + 5, {'2'})},
       {"resource section named .RSRC",
        patched(good.bytes, good.sectionHeaderAt + 1, {'R', 'S', 'R', 'C'})},
       {"section table past the end", patched(good.bytes, 0x54, {0xFF, 0xFF})},
       {"raw data pointer past the end",
        edited(good.sectionHeaderAt + 20, offset(good.bytes.size() + 1))},
       {"root directory without entries", edited(good.sectionAt + 12, 0)},
       {"type directory that loops back to the root", edited(bitmaps + 4, 0x80000000)},
       {"name directory that loops back to its type",
        edited(good.languageEntryAt[0] + 4, 0x80000000 | 16)},
       {"type directory outside the section",
        edited(bitmaps + 4, 0x80000000 | offset(sectionSize - 8))},
       {"type name outside the section", edited(wave, 0x80000000 | 0x7FFFFF00)},
       {"type name longer than the section",
        patched(good.bytes, good.sectionAt + nameAt, {0xFF, 0xFF})},
       {"data entry outside the section",
        edited(good.languageEntryAt[1] + 4, offset(sectionSize - 4))},
       {"resource before the start of the file", edited(good.dataEntryAt[0], 0)},
       {"resource one byte past the end",
        edited(good.dataEntryAt[1] + 4, offset(bitmapResource(40, 30).size() + 1))},
       {"resource size near 4 GiB", edited(good.dataEntryAt[0] + 4, 0xFFFFFFF0)},
       {"icons and a dialog",
        buildPe({.resources = {{3, {}, 1, Bytes(200, 0x41)}, {5, {}, 2, Bytes(200, 0x41)}}}).bytes},
       {"a bitmap under the name BITMAPS",
        buildPe({.resources = {named(u"BITMAPS", 1, bitmapResource(40, 30))}}).bytes},
       {"resources outside .rsrc",
        buildPe({.resources = {bitmap(1, bitmapResource(40, 30))}, .sectionName = ".data"})
            .bytes}});
}

// Pieces shared among many parents are read again for each: the walk may read no more than the
// section holds, so a small section cannot make it read without end. The modules share one type
// directory and one name of 300 characters among all root entries (tests/data/README.md).
TEST(ModuleCount, AWalkRereadingSharedPiecesPastTheSectionsSizeIsRefused) {
  RoundTrip trip;
  const Bytes once = readFixture("module_shared_1.dll");
  EXPECT_EQ(trip.count(once, "m.dll", CarrierType::kModule).parts.size(), 1u);
  trip.expectNoCarriers(CarrierType::kModule,
                        {{"200 types sharing a directory", readFixture("module_shared_types.dll")},
                         {"60 types sharing a name", readFixture("module_shared_names.dll")}});
}

// A resource counted as a file of its own; a bitmap gets a file header.
uint32_t ownBits(RoundTrip& trip, const PeResource& resource) {
  if (resource.typeId != 2) return trip.bitsOf(resource.data, CarrierType::kWav);
  Bytes file(14 + resource.data.size(), 0);
  std::copy(resource.data.begin(), resource.data.end(), file.begin() + 14);
  file[0] = 'B';
  file[1] = 'M';
  file[10] = 14 + 40;  // the rows right after the info header
  return trip.bitsOf(file, CarrierType::kBmpColour);
}

// Which resources a module's count keeps, in file order, each with the bits it has as a file of
// its own, and the levels the report lists for it.
TEST(ModuleCount, ResourcesCountInFileOrderAsFilesOfTheirOwn) {
  struct Row {
    const char* what;
    PeShape shape;
    std::vector<size_t> kept;  // the resources counted, in file order
    std::vector<LevelFormat> levels;
  };
  WavShape silent;
  silent.samples.assign(2000, 3);
  const Bytes silence = buildWav(silent);
  const Row rows[] = {
      {"a bitmap and a wave", mixedShape(), {0, 1}, {LevelFormat::kBmp, LevelFormat::kWav}},
      {"bitmaps in reverse id order",
       {.resources = {bitmap(1, bitmapResource(40, 30)), bitmap(2, bitmapResource(32, 20))},
        .reverseData = true},
       {1, 0},
       {LevelFormat::kBmp}},
      {"an 8-bit bitmap and a silent wave: a module of no bits",
       {.resources = {named(u"WAVE", 1, silence), bitmap(1, bitmapResource(32, 32, 8))}},
       {},
       {}},
  };
  RoundTrip trip;
  for (const Row& row : rows) {
    const PeModule module = buildPe(row.shape);
    const IdentificationRecord record = trip.count(module.bytes, "m.dll", CarrierType::kModule);
    ASSERT_FALSE(record.rejected) << row.what;
    ASSERT_EQ(record.parts.size(), row.kept.size()) << row.what;
    uint32_t total = 0;
    for (size_t p = 0; p < row.kept.size(); ++p) {
      const PeResource& resource = row.shape.resources[row.kept[p]];
      EXPECT_EQ(record.parts[p].offset, module.dataAt[row.kept[p]]) << row.what;
      EXPECT_EQ(record.parts[p].bits, ownBits(trip, resource)) << row.what;
      total += record.parts[p].bits;
    }
    EXPECT_EQ(record.carrierBits, total) << row.what;
    LevelsUsed used{}, expected{};
    markLevelsUsed({record.type, record.carrierBits, record.parts, "m.dll"}, used);
    for (LevelFormat level : row.levels) expected[static_cast<size_t>(level)] = true;
    EXPECT_EQ(used, expected) << row.what;
  }
  // Modules linked by mingw-w64 (tests/data/README.md): the 8-bit bitmap, the "BITMAPS" type and
  // the dialog left out.
  for (const char* name : {"module_pe32.dll", "module_pe64.exe"}) {
    std::vector<CarrierType> types;
    for (const CarrierPart& part :
         trip.count(readFixture(name), name, CarrierType::kModule).parts) {
      types.push_back(part.type);
    }
    EXPECT_EQ(types,
              (std::vector{CarrierType::kWav, CarrierType::kBmpColour, CarrierType::kBmpColour}))
        << name;
  }
  // Two resources sharing their bytes: the first keeps them.
  PeModule shared = buildPe(
      {.resources = {bitmap(1, bitmapResource(40, 30)), bitmap(2, bitmapResource(40, 30))}});
  std::copy_n(&shared.bytes[shared.dataEntryAt[0]], 8, &shared.bytes[shared.dataEntryAt[1]]);
  EXPECT_EQ(trip.count(shared.bytes, "s.dll", CarrierType::kModule).parts.size(), 1u);
}

// Over pixels whose unit bits are all 0, a hidden 0 changes a unit and a hidden 1 leaves it: a
// stream of ones with a zero at each resource's first data bit changes exactly the byte after
// each resource's lead-in, in file order, whatever the ids say.
TEST(ModuleHide, EachResourceBeginsItsShareAfterItsOwnLeadIn) {
  const auto flat = [](int32_t width, int32_t height) {
    return buildBmp({.width = width, .height = height, .fileHeader = false},
                    [](uint32_t, uint32_t) { return 0x808082u; });
  };
  // 32 x 16 and 16 x 16 pixels: lead-in 0 + 0 + 3; 1536 - 547 and 768 - 547 carrier bits.
  const PeModule module = buildPe(
      {.resources = {bitmap(1, flat(16, 16)), bitmap(2, flat(32, 16))}, .reverseData = true});
  RoundTrip trip;
  const IdentificationRecord record = trip.count(module.bytes, "g.dll", CarrierType::kModule);
  ASSERT_EQ(record.carrierBits, 989u + 221u);
  Bytes stream(152, 0xFF);
  stream[0] = 0x7F;                 // hidden bit 0
  stream[989 / 8] &= ~(0x80 >> 5);  // hidden bit 989: the second resource's first
  trip.stream(stream);
  const CarrierEntry entry{record.type, record.carrierBits, record.parts, trip.dir.file("g.dll")};
  trip.expectBitsBack(entry, "t.dll", {0, 1210, 1210});
  const Bytes bytes = readAll(trip.dir.file("t.dll"));
  for (const auto& [first, bits] :
       {std::pair{module.dataAt[1] + 43, 989u}, std::pair{module.dataAt[0] + 43, 221u}}) {
    EXPECT_EQ(bytes[first - 3], module.bytes[first - 3]);  // lead-in
    EXPECT_EQ(bytes[first] ^ module.bytes[first], 1);
    for (size_t i = first + 1; i < first + bits; ++i) ASSERT_EQ(bytes[i], module.bytes[i]) << i;
  }
}

// Each resource's changed units over all its units, weighed by its size; each resource's blocks
// move the module's progress by the resource's share: one total, the module's, never going back.
TEST(ModuleHide, PercentageAndProgressRunOverTheWholeModule) {
  struct Recorder final : CarrierProgress {
    void advanced(uint64_t done, uint64_t total) override { seen.emplace_back(done, total); }
    std::vector<std::pair<uint64_t, uint64_t>> seen;
  } recorder;
  const PeModule module = buildPe(
      {.resources = {named(u"WAVE", 1, waveResource(1500)), bitmap(1, bitmapResource(40, 30)),
                     bitmap(2, bitmapResource(20, 20))}});
  RoundTrip trip;
  const IdentificationRecord record = trip.count(module.bytes, "r.dll", CarrierType::kModule);
  ASSERT_EQ(record.parts.size(), 3u);
  trip.workspace.carrierProgress = &recorder;
  trip.randomStream(record.carrierBits / 8 + 2);
  double percentage = -1;
  const CarrierEntry entry{record.type, record.carrierBits, record.parts, trip.dir.file("r.dll")};
  trip.expectBitsBack(entry, "t.dll", {5, record.carrierBits, record.carrierBits - 3}, &percentage);
  const Bytes bytes = readAll(trip.dir.file("t.dll"));
  const std::tuple<size_t, size_t, size_t, size_t> resources[] = {
      {module.dataAt[0] + 44, 2, 1500, waveResource(1500).size()},
      {module.dataAt[1] + 40, 1, 40 * 30 * 3, bitmapResource(40, 30).size()},
      {module.dataAt[2] + 40, 1, 20 * 20 * 3, bitmapResource(20, 20).size()}};
  double weighted = 0;
  for (const auto& [at, stride, units, size] : resources) {
    size_t changed = 0;
    for (size_t u = 0; u < units; ++u)
      changed += bytes[at + u * stride] != module.bytes[at + u * stride];
    weighted += double(size) * (double(changed) * 100.0 / double(units));
  }
  EXPECT_NEAR(percentage, weighted / double(module.bytes.size()), 1e-9);
  uint64_t whole = 0;
  for (const CarrierPart& part : record.parts) whole += part.size;
  // Hide's reports, then extract's.
  ASSERT_EQ(recorder.seen.size(), 2 * record.parts.size());
  for (size_t i = 0; i < recorder.seen.size(); ++i) {
    EXPECT_EQ(recorder.seen[i].second, whole);
    EXPECT_GT(recorder.seen[i].first, i % 3 == 0 ? 0 : recorder.seen[i - 1].first);
    if (i % 3 == 2) {
      EXPECT_EQ(recorder.seen[i].first, whole);
    }
  }
  trip.workspace.carrierProgress = nullptr;
}

TEST(ModuleHide, AModuleOfNoBitsIsCopiedUnchanged) {
  const PeModule module = buildPe({.resources = {bitmap(1, bitmapResource(32, 32, 8))}});
  RoundTrip trip;
  const IdentificationRecord record = trip.count(module.bytes, "z.dll", CarrierType::kModule);
  ASSERT_FALSE(record.rejected);
  trip.randomStream(8);
  double percentage = -1;
  const CarrierEntry target = trip.expectBitsBack({record.type, 0, {}, trip.dir.file("z.dll")},
                                                  "t.dll", {0, 0, 0}, &percentage);
  EXPECT_EQ(readAll(target.path), module.bytes);
  EXPECT_EQ(percentage, 0.0);
}

// Per byte of a module, the bits hide may change: bit 0 of every pixel byte of a 24-bit bitmap
// resource (rows of `width` pixels, no padding) and of the low byte of every wave sample.
ConformanceFile builtModule(uint32_t minBits, bool wide) {
  const int32_t height = static_cast<int32_t>(minBits / 150 + 8);
  const PeModule module =
      buildPe({.resources = {named(wide ? u"MYWAVES" : u"WAVE", 1, waveResource(2000)),
                             bitmap(1, bitmapResource(64, height))},
               .wide = wide});
  Bytes mask(module.bytes.size(), 0);
  for (size_t i = 0; i < 2000; ++i) mask[module.dataAt[0] + 44 + 2 * i] = 1;
  std::fill_n(mask.begin() + module.dataAt[1] + 40, 64 * height * 3, uint8_t{1});
  return {module.bytes, mask};
}

// Modules cannot be marked.
INSTANTIATE_TEST_SUITE_P(
    Module, CarrierConformance,
    ::testing::Values(ConformanceCarrier{"Pe32", "m.dll", CarrierType::kModule,
                                         [](uint32_t n) { return builtModule(n, false); }, false},
                      ConformanceCarrier{"Pe64", "m.ocx", CarrierType::kModule,
                                         [](uint32_t n) { return builtModule(n, true); }, false}),
    conformanceName);

}  // namespace
}  // namespace murl::test
