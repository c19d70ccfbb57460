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

TEST(Messages, EveryEntryHasTwoDistinctLanguagesAndNoTwoEntriesShareAText) {
  std::set<std::string> english, italian;
  for (uint16_t i = 0; i < static_cast<uint16_t>(MessageId::kCount); ++i) {
    const auto id = static_cast<MessageId>(i);
    std::string en = messageText(id, kEn), it = messageText(id, kIt);
    EXPECT_FALSE(en.empty()) << i;
    EXPECT_NE(en, it) << "untranslated: " << en;
    EXPECT_TRUE(english.insert(en).second) << "twice: " << en;
    EXPECT_TRUE(italian.insert(it).second) << "twice: " << it;
  }
}

// A number fills its placeholder whole; a question's caption follows its kind, and the quit
// question has a caption of its own.
TEST(Messages, NumbersAndCaptionsAsShown) {
  EXPECT_EQ(
      formatMessage(MessageId::kLastCarriersOutOfRange, kIt, 12),
      "Gli ultimi 12 carrier sono fuori dal range dello stream: cambiare l'ordine dei carrier");
  const struct {
    MessageId id;
    Language language;
    const char* title;
  } rows[] = {
      {MessageId::kInvalidData, kIt, "Attenzione"},
      {MessageId::kCouldntLoadInternalResource, kIt, "Errore"},
      {MessageId::kExtractionCompleted, kEn, "Report"},
      {MessageId::kQuitAreYouSure, kIt, "Richiesta di uscita"},
  };
  for (const auto& row : rows)
    EXPECT_STREQ(messageTitle(row.id, row.language), row.title) << row.title;
}

TEST(Messages, TheSizeLimitSaysItIsOnTheFilesAsTheyAreNotOnceCompressed) {
  for (Language language : {kEn, kIt}) {
    const std::string text = messageText(MessageId::kHiddenStreamTooLong, language);
    for (const char* word : {"pack", "compress"})
      EXPECT_EQ(text.find(word), std::string::npos) << text;
  }
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
  // Left unfilled, except the tail a whole-word load past a full block may touch.
  for (WorkBuffer* buffer : {&ws.workBuffer, &ws.sampleBuffer, &ws.codecBuffer, &ws.sinkBuffer}) {
    EXPECT_TRUE(std::all_of(buffer->end() - WorkBuffer::kZeroedTail, buffer->end(),
                            [](uint8_t b) { return b == 0; }));
  }
}

TEST(Options, LevelsByNameInEitherLanguageOrByNumber) {
  EXPECT_EQ(Options().level(LevelFormat::kWav), 3);
  EXPECT_STREQ(levelName(5, kIt), "Molto Alto");
  EXPECT_EQ(parseLevel("very high"), 5);
  EXPECT_EQ(parseLevel("Massimo"), 6);
  EXPECT_EQ(parseLevel("0"), 0);
  EXPECT_FALSE(parseLevel("7").has_value());
  EXPECT_FALSE(parseLevel("Huge").has_value());
}

}  // namespace
}  // namespace murl
