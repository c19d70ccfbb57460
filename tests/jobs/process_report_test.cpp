#include "jobs/process_report.h"

#include <gtest/gtest.h>

#include "core/number_display.h"

namespace murl {
namespace {

TEST(NumberDisplay, GroupsDigitsInThrees) {
  const struct {
    uint32_t value;
    const char* separator;
    const char* text;
  } rows[] = {{0, ".", "0"},
              {999, ".", "999"},
              {1000, ".", "1.000"},
              {123456, ".", "123.456"},
              {1234567890, ",", "1,234,567,890"}};
  for (const auto& row : rows) EXPECT_EQ(formatCount(row.value, row.separator), row.text);
}

// The levels of the formats used, in report-name order, and the carriers in list order.
TEST(ProcessReport, HidingAndAuthoringReportsInBothLanguages) {
  ReportInput input;
  input.secret = "0123456789abcdef";
  input.formatUsed[static_cast<size_t>(LevelFormat::kWav)] = true;
  input.formatUsed[static_cast<size_t>(LevelFormat::kBmp)] = true;
  input.options.setLevel(LevelFormat::kWav, 6);
  input.options.setLevel(LevelFormat::kBmp, 0);
  input.carriers = {{"b.wav", 12.5}, {"A.bmp", 0.0000004}, {"c.wav", 100}};
  const std::string carriers =
      "#00000:   b.wav   [+12.500000%]\r\n"
      "#00001:   A.bmp   [+0.000000%]\r\n"
      "#00002:   c.wav   [+100.000000%]\r\n\r\n";
  const struct {
    Language language;
    bool authoring;
    std::string text;
  } rows[] = {
      {Language::kEnglish, false,
       "Murl Version 1.01\r\n\r\n---- Begin of Process Report ----\r\n\r\n"
       "Password: <0123456789abcdef>\r\n\r\n"
       "BMP bits selection level: Minimum\r\nWAV bits selection level: Maximum\r\n\r\n" +
           carriers + "---- End of Process Report ----"},
      {Language::kItalian, true,
       "Murl Versione 1.01\r\n\r\n---- Inizio del Rapporto Operazione ----\r\n\r\n"
       "Marchio di Copyright: <0123456789abcdef>\r\n\r\n"
       "BMP livello di selezione bit: Minimo\r\nWAV livello di selezione bit: Massimo\r\n\r\n" +
           carriers + "---- Fine del Rapporto Operazione ----"},
  };
  for (const auto& row : rows) {
    input.language = row.language;
    EXPECT_EQ(row.authoring ? buildAuthoringReport(input) : buildHidingReport(input), row.text);
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

}  // namespace
}  // namespace murl
