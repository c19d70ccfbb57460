#include "core/messages.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <set>

#include "core/options.h"
#include "core/workspace.h"
#include "support/recording_reporter.h"

namespace murl {
namespace {

constexpr auto kEn = Language::kEnglish;
constexpr auto kIt = Language::kItalian;

std::vector<MessageId> allMessages() {
  std::vector<MessageId> ids;
  for (uint16_t i = 0; i < static_cast<uint16_t>(MessageId::kCount); ++i)
    ids.push_back(static_cast<MessageId>(i));
  return ids;
}

TEST(Messages, EveryEntryHasTwoDistinctLanguagesAndNoTwoEntriesShareAText) {
  std::set<std::string> english, italian;
  for (MessageId id : allMessages()) {
    std::string en = messageText(id, kEn), it = messageText(id, kIt);
    EXPECT_FALSE(en.empty()) << static_cast<int>(id);
    EXPECT_FALSE(it.empty()) << en;
    EXPECT_NE(en, it) << "untranslated: " << en;
    EXPECT_TRUE(english.insert(en).second) << "twice: " << en;
    EXPECT_TRUE(italian.insert(it).second) << "twice: " << it;
  }
}

TEST(Messages, LineBreaksAndNumbersAreStoredAsTheyAreShown) {
  EXPECT_STREQ(messageText(MessageId::kTargetExistsOverwrite, kEn),
               "Target carrier already exists!\r\nOverwrite?");
  EXPECT_STREQ(
      messageText(MessageId::kScanTotalTooBig, kIt),
      "La dimensione totale massima è 256Mb!\r\nContinuare la scansione degli altri file?");
  EXPECT_EQ(formatMessage(MessageId::kLastCarriersOutOfRange, kEn, 3),
            "Last 3 carriers are out of stream range: change carriers order");
  EXPECT_EQ(
      formatMessage(MessageId::kLastCarriersOutOfRange, kIt, 12),
      "Gli ultimi 12 carrier sono fuori dal range dello stream: cambiare l'ordine dei carrier");
}

TEST(Messages, TitlesFollowTheKind) {
  EXPECT_STREQ(messageTitle(MessageId::kInvalidData, kEn), "Warning");
  EXPECT_STREQ(messageTitle(MessageId::kInvalidData, kIt), "Attenzione");
  EXPECT_STREQ(messageTitle(MessageId::kCouldntLoadInternalResource, kIt), "Errore");
  EXPECT_STREQ(messageTitle(MessageId::kExtractionCompleted, kEn), "Report");
  EXPECT_STREQ(messageTitle(MessageId::kExtractionCompleted, kIt), "Rapporto");
  EXPECT_STREQ(messageTitle(MessageId::kQuitAreYouSure, kIt), "Richiesta di uscita");
}

TEST(Workspace, RoutesMessagesByKindInTheChosenLanguage) {
  test::RecordingReporter reporter;
  Workspace ws(reporter, kIt);
  ws.show(MessageId::kLastCarriersOutOfRange, 2);
  ws.show(MessageId::kExtractionCompleted);
  reporter.answers = {true};
  EXPECT_TRUE(ws.ask(MessageId::kFileExistsOverwrite));
  EXPECT_FALSE(ws.ask(MessageId::kFileExistsOverwrite));  // no scripted answer left: No
  ASSERT_EQ(reporter.shown.size(), 2u);
  EXPECT_EQ(reporter.shown[0].text.substr(0, 14), "Gli ultimi 2 c");
  EXPECT_EQ(reporter.shown[1].title, "Rapporto");
  EXPECT_EQ(reporter.askedIds().size(), 2u);
  EXPECT_EQ(ws.workBuffer.size(), 0x400000u);
  EXPECT_EQ(ws.sinkBuffer.size(), 0x15FFEAu);
  // Left unfilled, except the tail a whole-word load past a full block may touch.
  for (WorkBuffer* buffer : {&ws.workBuffer, &ws.sampleBuffer, &ws.codecBuffer, &ws.sinkBuffer}) {
    EXPECT_TRUE(std::all_of(buffer->end() - WorkBuffer::kZeroedTail, buffer->end(),
                            [](uint8_t b) { return b == 0; }));
  }
  EXPECT_EQ(ws.tempFolder.back(), '/');
}

TEST(Options, DefaultsAndLevelNames) {
  Options o;
  for (int f = 0; f < static_cast<int>(LevelFormat::kCount); ++f)
    EXPECT_EQ(o.level(static_cast<LevelFormat>(f)), 3);
  EXPECT_EQ(o.compressionLevel, 3);
  EXPECT_EQ(o.pngChunkSize, 2);
  EXPECT_STREQ(levelName(1, kEn), "Very Low");
  EXPECT_STREQ(levelName(5, kIt), "Molto Alto");
  EXPECT_EQ(parseLevel("very high"), 5);
  EXPECT_EQ(parseLevel("Massimo"), 6);
  EXPECT_EQ(parseLevel("0"), 0);
  EXPECT_FALSE(parseLevel("7").has_value());
  EXPECT_FALSE(parseLevel("Huge").has_value());
}

}  // namespace
}  // namespace murl
