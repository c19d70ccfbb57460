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

TEST(IdentifyTest, OpensCountsAndRefusesQuietly) {
  RecordingReporter reporter;
  Workspace workspace(reporter, Language::kEnglish);
  TempDir dir;
  WavShape shape;
  shape.samples = soundSamples(2000, 1500, 256, 1);
  writeAll(dir.file("clip.Wave"), buildWav(shape));
  IdentificationRecord record;
  ASSERT_TRUE(identify(dir.file("clip.Wave"), IdentifyPurpose::kChecking, record, workspace));
  EXPECT_EQ(record.type, CarrierType::kWav);
  EXPECT_FALSE(record.rejected);
  EXPECT_GT(record.carrierBits, 0u);

  writeAll(dir.file("notes.txt"), {1, 2, 3});
  writeAll(dir.file("noise.wav"), std::vector<uint8_t>(100, 7));
  writeAll(dir.file("tool.dll"), std::vector<uint8_t>(100, 0));
  for (const char* name : {"notes.txt", "noise.wav", "tool.dll"}) {
    for (auto purpose :
         {IdentifyPurpose::kHiding, IdentifyPurpose::kAuthoring, IdentifyPurpose::kChecking}) {
      EXPECT_FALSE(identify(dir.file(name), purpose, record, workspace)) << name;
    }
  }
  EXPECT_TRUE(reporter.shown.empty());
  EXPECT_FALSE(identify(dir.file("gone.wav"), IdentifyPurpose::kHiding, record, workspace));
  EXPECT_EQ(reporter.shownIds(), std::vector<MessageId>{MessageId::kCouldntOpenCarrier});
}

}  // namespace
}  // namespace murl::test
