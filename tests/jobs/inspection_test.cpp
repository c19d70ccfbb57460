#include "carriers/identify.h"
#include "jobs/inspecting_session.h"
#include "session_fixture.h"
#include "support/bmp_builder.h"

namespace murl::test {
namespace {

class InspectionTest : public SessionTest {
 protected:
  InspectionTest() { std::filesystem::create_directory(dir.file("altered")); }

  uint32_t bitsOf(const std::string& path, const Options& levels) {
    workspace.options = levels;
    IdentificationRecord record;
    EXPECT_TRUE(identify(path, IdentifyPurpose::kHiding, record, workspace)) << path;
    return record.carrierBits;
  }

  // Hides src/ with `levels` into `carriers`, its random file sized so that each takes a share
  // of the stream; the targets in out/, in list order.
  std::vector<std::string> hideInto(const std::vector<std::string>& carriers,
                                    const Options& levels) {
    uint64_t bits = bitsOf(carriers.back(), levels) / 2;
    for (size_t i = 0; i + 1 < carriers.size(); ++i) bits += bitsOf(carriers[i], levels);
    makeSources(bits / 8 - 150);
    const Options own = options;
    options = levels;
    auto targets = hideSources(carriers);
    options = own;
    return targets;
  }

  std::string makeBmp(const std::string& name, int32_t width) {
    BmpShape shape;
    shape.width = width;
    shape.height = 32;
    writeAll(dir.file("carriers/" + name), buildBmp(shape, noisyPixel));
    return dir.file("carriers/" + name);
  }

  // ImageMagick's 48 x 40 image of 16-bit RGB samples (tests/data).
  std::string makePng(const std::string& name) {
    writeAll(dir.file("carriers/" + name), readAll(dataPath("png_rgb16_split.png")));
    return dir.file("carriers/" + name);
  }

  // A copy of `path` in altered/ named `name`, changed by `change`.
  std::string altered(const std::string& path, const std::string& name,
                      const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> bytes = readAll(path);
    change(bytes);
    writeAll(dir.file("altered/" + name), bytes);
    return dir.file("altered/" + name);
  }

  InspectionVerdict inspect(const std::vector<std::string>& paths) {
    InspectingSession session(workspace, listener);
    EXPECT_TRUE(session.inspect(paths, options));
    EXPECT_EQ(listener.completions.back(), JobCompletion::kCarriersInspected);
    return session.verdict();
  }
};

std::string joinedLines(const InspectionVerdict& v) {
  std::string text;
  for (const std::string& line : verdictLines(v, Language::kEnglish)) text += line + "\n";
  return text;
}

// The situations a user meets, each told by its verdict and a line naming what it points at, over
// WAV, BMP, PNG and module carriers of three hiding jobs: the second and third hid at other levels,
// so their carriers are found only there.
TEST_F(InspectionTest, EachSituationIsToldApart) {
  const auto a =
      hideInto({makeCarrier("a.wav", 4000, 1), makeBmp("b.bmp", 48), makePng("c.png")}, options);
  Options levels = options;
  levels.setLevel(LevelFormat::kWav, 5);
  levels.setLevel(LevelFormat::kBmp, 1);
  const auto b = hideInto({makeCarrier("d.wav", 3000, 4), makeBmp("e.bmp", 40)}, levels);
  // A module's bitmaps and wave: only the bitmaps' level differs from the one given.
  writeAll(dir.file("carriers/f.dll"), readAll(dataPath("module_pe32.dll")));
  Options bmpLevel = options;
  bmpLevel.setLevel(LevelFormat::kBmp, 1);
  const auto module = hideInto({dir.file("carriers/f.dll")}, bmpLevel);
  writeAll(dir.file("carriers/g.dll"), readAll(dir.file("carriers/f.dll")));
  const auto bothLevels = hideInto({dir.file("carriers/g.dll")}, levels);
  // One level below the one given is the last the search tries.
  Options lower = options;
  lower.setLevel(LevelFormat::kWav, 2);
  const auto below = hideInto({makeCarrier("h.wav", 3000, 5)}, lower);
  const size_t pixels = 54;  // past a plain bitmap's file and info headers
  const std::string reencoded = altered(a[1], "b.bmp", [&](std::vector<uint8_t>& bytes) {
    for (size_t i = pixels; i < bytes.size(); ++i) bytes[i] ^= 1;
  });
  const std::string cut =
      altered(a[0], "a.wav", [](std::vector<uint8_t>& bytes) { bytes.resize(bytes.size() - 999); });
  const std::string copy = altered(a[0], "a2.wav", [](std::vector<uint8_t>&) {});

  const std::string order = "order:\n  " + a[0] + "\n  " + a[1] + "\n  " + a[2] + "\n";
  using V = Verdict;
  struct Case {
    const char* what;
    std::vector<std::string> paths;
    Verdict verdict;
    std::string line;
  } cases[] = {
      {"complete", a, V::kComplete, "one hiding job, 3 in all."},
      {"reordered", {a[2], a[0], a[1]}, V::kReordered, order},
      {"one missing", {a[0], a[2]}, V::kMissing, "set of 3: number 2."},
      {"two jobs mixed", {a[0], a[1], a[2], b[0]}, V::kMixedJobs, "(2 carriers): d.wav"},
      {"one re-encoded", {a[0], reencoded, a[2]}, V::kUnreadable, "trailer in: b.bmp."},
      {"one cut", {cut, a[1], a[2]}, V::kUnreadable, "set of 3: number 1."},
      {"other levels", b, V::kOtherLevels, "WAV 5 (Very High), BMP 1 (Very Low)."},
      {"a module at one other level", module, V::kOtherLevels, "levels: BMP 1 (Very Low).\n"},
      {"a module at two", bothLevels, V::kOtherLevels, "BMP 1 (Very Low), WAV 5 (Very High).\n"},
      {"one level below", below, V::kOtherLevels, "levels: WAV 2 (Low).\n"},
      {"one given twice", {a[0], copy, a[1], a[2]}, V::kRepeated, "once: a2.wav."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const InspectionVerdict v = inspect(c.paths);
    ASSERT_EQ(v.carriers.size(), c.paths.size());
    EXPECT_EQ(v.verdict, c.verdict);
    EXPECT_NE(joinedLines(v).find(c.line), std::string::npos) << joinedLines(v);
  }
  EXPECT_TRUE(reporter.shown.empty());

  // What each carrier of the first job tells, and where the second's were found.
  const InspectionVerdict first = inspect(a);
  const CarrierType types[] = {CarrierType::kWav, CarrierType::kBmpColour, CarrierType::kPng};
  for (uint16_t i = 0; i < 3; ++i) {
    const CarrierInspection& c = first.carriers[i];
    EXPECT_EQ(c.type, types[i]);
    EXPECT_EQ(c.carrierBits, bitsOf(c.path, options));
    EXPECT_EQ(c.trailer.carrierIndex, i);
    EXPECT_EQ(c.trailer.carrierCount, 3);
    EXPECT_FALSE(c.otherLevels);
    // Places are told counted from 1.
    const std::string place = "carrier " + std::to_string(i + 1) + " of 3";
    EXPECT_NE(carrierSummary(c, Language::kEnglish).find(place), std::string::npos);
  }
  const InspectionVerdict second = inspect(b);
  EXPECT_EQ(second.carriers[0].levels, (std::vector<LevelSetting>{{LevelFormat::kWav, 5}}));
  EXPECT_EQ(second.carriers[0].carrierBits, bitsOf(b[0], levels));
  EXPECT_NE(second.carriers[0].trailer.jobNumber, first.carriers[0].trailer.jobNumber);
}

// A file that cannot be opened is a failure of the inspection, said once, not a finding.
TEST_F(InspectionTest, AFileThatCannotBeOpenedFailsTheInspection) {
  InspectingSession session(workspace, listener);
  EXPECT_FALSE(session.inspect({makeBmp("b.bmp", 48), dir.file("carriers/gone.wav")}, options));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntOpenCarrier});
  EXPECT_EQ(listener.completions, std::vector<JobCompletion>{JobCompletion::kFailedOrStopped});
  EXPECT_EQ(session.verdict().verdict, Verdict::kNoCarriers);
}

}  // namespace
}  // namespace murl::test
