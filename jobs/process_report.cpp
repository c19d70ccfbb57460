#include "jobs/process_report.h"

#include <cstdio>

#include "carriers/registry.h"
#include "core/messages.h"

namespace murl {
namespace {

std::string carrierLine(size_t index, const ReportCarrier& carrier) {
  char number[32];
  std::snprintf(number, sizeof number, "#%05lu:   ", static_cast<unsigned long>(index));
  char share[64];
  std::snprintf(share, sizeof share, "   [+%.6f%%]\r\n", carrier.share);
  return number + carrier.name + share;
}

std::string buildReport(const ReportInput& input, const TextPair& secretLabel) {
  Language lang = input.language;
  std::string text = pick({"Murl Version 1.01\r\n\r\n", "Murl Versione 1.01\r\n\r\n"}, lang);
  text += pick({"---- Begin of Process Report ----\r\n\r\n",
                "---- Inizio del Rapporto Operazione ----\r\n\r\n"},
               lang);
  text += pick(secretLabel, lang);
  text += "<" + input.secret + ">\r\n\r\n";
  for (const LevelFacts* level : levelsByReportName()) {
    if (!input.formatUsed[static_cast<size_t>(level->format)]) continue;
    text += level->reportName;
    text += pick({" bits selection level: ", " livello di selezione bit: "}, lang);
    text += levelName(input.options.level(level->format), lang);
    text += "\r\n";
  }
  text += "\r\n";
  for (size_t i = 0; i < input.carriers.size(); ++i) text += carrierLine(i, input.carriers[i]);
  text += pick(
      {"\r\n---- End of Process Report ----", "\r\n---- Fine del Rapporto Operazione ----"}, lang);
  return text;
}

}  // namespace

std::string buildHidingReport(const ReportInput& input) {
  return buildReport(input, {"Password: ", "Password: "});
}

std::string buildAuthoringReport(const ReportInput& input) {
  return buildReport(input, {"Copyright mark: ", "Marchio di Copyright: "});
}

}  // namespace murl
