#include "jobs/process_report.h"

#include <gtest/gtest.h>

#include "core/number_display.h"

namespace murl {
namespace {

TEST(NumberDisplay, GroupsDigitsInThrees) {
  EXPECT_EQ(formatCount(0, "."), "0");
  EXPECT_EQ(formatCount(999, "."), "999");
  EXPECT_EQ(formatCount(1000, "."), "1.000");
  EXPECT_EQ(formatCount(123456, "."), "123.456");
  EXPECT_EQ(formatCount(1234567, "."), "1.234.567");
  EXPECT_EQ(formatCount(1234567890, ","), "1,234,567,890");
  EXPECT_EQ(formatCount(4294967295u, "."), "4.294.967.295");
}

ReportInput twoWavsAndABitmap(Language language) {
  ReportInput input;
  input.language = language;
  input.secret = "0123456789abcdef";
  input.formatUsed[static_cast<size_t>(LevelFormat::kWav)] = true;
  input.formatUsed[static_cast<size_t>(LevelFormat::kBmp)] = true;
  input.options.setLevel(LevelFormat::kWav, 6);
  input.options.setLevel(LevelFormat::kBmp, 0);
  input.carriers = {{"b.wav", 12.5}, {"A.bmp", 0.0000004}, {"c.wav", 100}};
  return input;
}

TEST(ProcessReport, HidingReportInBothLanguagesKeepsThePasswordLine) {
  const struct {
    Language language;
    const char* head;
    const char* levels;
    const char* tail;
  } rows[] = {
      {Language::kEnglish, "Murl Version 1.01\r\n\r\n---- Begin of Process Report ----",
       "BMP bits selection level: Minimum\r\nWAV bits selection level: Maximum",
       "---- End of Process Report ----"},
      {Language::kItalian, "Murl Versione 1.01\r\n\r\n---- Inizio del Rapporto Operazione ----",
       "BMP livello di selezione bit: Minimo\r\nWAV livello di selezione bit: Massimo",
       "---- Fine del Rapporto Operazione ----"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(buildHidingReport(twoWavsAndABitmap(row.language)),
              std::string(row.head) + "\r\n\r\nPassword: <0123456789abcdef>\r\n\r\n" + row.levels +
                  "\r\n\r\n"
                  "#00000:   b.wav   [+12.500000%]\r\n"
                  "#00001:   A.bmp   [+0.000000%]\r\n"
                  "#00002:   c.wav   [+100.000000%]\r\n\r\n" +
                  row.tail);
  }
}

TEST(ProcessReport, EveryFormatOnceInTheReportOrder) {
  ReportInput input;
  for (bool& used : input.formatUsed) used = true;
  input.options.setLevel(LevelFormat::kAu, 1);
  std::string text = buildHidingReport(input);
  size_t at = 0;
  for (const char* name : {"AIF", "BMP", "JPG", "MP3", "NEXT/SUN", "PCX", "PNG", "TGA", "WAV"}) {
    size_t found = text.find(std::string("\n") + name + " bits selection level: ", at);
    ASSERT_NE(found, std::string::npos) << name;
    at = found + 1;
  }
  EXPECT_NE(text.find("NEXT/SUN bits selection level: Very Low\r\n"), std::string::npos);
}

TEST(ProcessReport, AuthoringReportNamesTheMark) {
  ReportInput input;
  input.language = Language::kItalian;
  input.secret = "(c) Somebody";
  input.carriers = {{"/home/u/x.wav", 50}};
  input.formatUsed[static_cast<size_t>(LevelFormat::kWav)] = true;
  EXPECT_EQ(buildAuthoringReport(input),
            "Murl Versione 1.01\r\n\r\n"
            "---- Inizio del Rapporto Operazione ----\r\n\r\n"
            "Marchio di Copyright: <(c) Somebody>\r\n\r\n"
            "WAV livello di selezione bit: Medio\r\n"
            "\r\n"
            "#00000:   /home/u/x.wav   [+50.000000%]\r\n"
            "\r\n---- Fine del Rapporto Operazione ----");
}

}  // namespace
}  // namespace murl
