#include "carriers/identify.h"

#include <gtest/gtest.h>

#include "support/recording_reporter.h"
#include "support/temp_dir.h"
#include "support/wav_builder.h"

namespace murl::test {
namespace {

TEST(IdentifyTest, ExtensionsInTableOrder) {
  using T = CarrierType;
  const std::pair<const char*, T> cases[] = {
      {"photo.JPG", T::kJpeg}, {"photo.jpeg", T::kJpeg}, {"photo.jfif", T::kJpeg},
      {"clip.Wave", T::kWav},  {"tool.dll", T::kModule}, {"tool.DLLX", T::kModule},
      {"a.d", T::kBmpColour},  {"file.", T::kAiff},      {"x.jp", T::kModule},
      {"sound.au", T::kAiff},  {"x.8BF", T::kModule},    {"x.hxs", T::kModule},
      {"song.mp3", T::kMp3},   {"pic.vst", T::kTga},     {"dir.x/s.a", T::kAiff},
      {"x.ds", T::kModule},    {"x.w", T::kModule},
  };
  for (const auto& [path, type] : cases) {
    auto found = typeFromExtension(path);
    ASSERT_TRUE(found.has_value()) << path;
    EXPECT_EQ(*found, type) << path;
  }
  // The "." of ".wav" is the path's first character, so it has no extension.
  for (const char* path : {"README", ".wav", "x.txt", "x.8b", "x.dl1", "x.wavs", "x.hx"}) {
    EXPECT_FALSE(typeFromExtension(path).has_value()) << path;
  }
}

// A carrier is counted for any purpose; a file that cannot be opened shows one message. What
// each format refuses, quietly, is checked through its count.
TEST(IdentifyTest, CountsACarrierAndSaysWhenAFileCannotBeOpened) {
  RecordingReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  TempDir dir;
  WavShape shape;
  shape.samples = soundSamples(2000, 1500, 256, 1);
  writeAll(dir.file("clip.Wave"), buildWav(shape));
  IdentificationRecord record;
  ASSERT_TRUE(identify(dir.file("clip.Wave"), IdentifyPurpose::kChecking, record, workspace));
  EXPECT_EQ(record.type, CarrierType::kWav);
  EXPECT_GT(record.carrierBits, 0u);
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_FALSE(identify(dir.file("gone.wav"), IdentifyPurpose::kHiding, record, workspace));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntOpenCarrier});
}

}  // namespace
}  // namespace murl::test
