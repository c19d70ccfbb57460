// The inspection's texts, in English and Italian.
#include <cstdio>

#include "carriers/registry.h"
#include "core/messages.h"
#include "core/number_display.h"
#include "jobs/inspection.h"
#include "platform/folders.h"

namespace murl {
namespace {

// A text with its one "%s" replaced.
std::string filled(const TextPair& pair, Language language, const std::string& value) {
  std::string text = pick(pair, language);
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string namesAt(const InspectionVerdict& v, const std::vector<size_t>& positions) {
  std::vector<std::string> names;
  for (size_t i : positions) names.push_back(platform::baseName(v.carriers[i].path));
  return joined(names);
}

std::string levelsText(const std::vector<LevelSetting>& levels, Language language) {
  std::vector<std::string> texts;
  for (const LevelSetting& setting : levels) texts.push_back(levelText(setting, language));
  return joined(texts);
}

std::string hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// "2 of 3": places in the list are counted from 1 for people.
std::string placeText(uint32_t index, uint32_t count, Language language) {
  return std::to_string(index + 1) + pick({" of ", " di "}, language) + std::to_string(count);
}

void addOrderLines(const InspectionVerdict& v, Language language, std::vector<std::string>& out) {
  out.push_back(pick({"Unhide them in this order:", "Estrarli in quest'ordine:"}, language));
  for (size_t i : v.order) out.push_back("  " + v.carriers[i].path);
}

void addMissingLine(const InspectionVerdict& v, Language language, std::vector<std::string>& out) {
  std::vector<std::string> numbers;
  for (uint16_t index : v.missing) numbers.push_back(std::to_string(index + 1));
  out.push_back(filled({"Carriers missing from the set of %s: number ",
                        "Carrier mancanti dall'insieme di %s: numero "},
                       language, std::to_string(v.carrierCount)) +
                joined(numbers) + ".");
}

void addJobLines(const InspectionVerdict& v, Language language, std::vector<std::string>& out) {
  out.push_back(filled({"Carriers of %s different hiding jobs:",
                        "Carrier di %s operazioni di occultamento diverse:"},
                       language, std::to_string(v.jobs.size())));
  for (const std::vector<size_t>& job : v.jobs) {
    const TrailerFields& trailer = v.carriers[job[0]].trailer;
    const TextPair carriers = trailer.carrierCount == 1 ? TextPair{" carrier): ", " carrier): "}
                                                        : TextPair{" carriers): ", " carrier): "};
    out.push_back("  " + filled({"job %s", "operazione %s"}, language, hex32(trailer.jobNumber)) +
                  " (" + std::to_string(trailer.carrierCount) + pick(carriers, language) +
                  namesAt(v, job));
  }
}

}  // namespace

std::string levelText(const LevelSetting& setting, Language language) {
  return std::string(levelFacts(setting.format).reportName) + " " + std::to_string(setting.level) +
         " (" + levelName(setting.level, language) + ")";
}

std::string carrierSummary(const CarrierInspection& c, Language language) {
  if (!c.carrier) return pick({"not a carrier", "non è un carrier"}, language);
  std::string text = std::string(typeFacts(c.type).name) + ", " + formatCount(c.carrierBits) +
                     pick({" carrier bits, ", " carrier bit, "}, language);
  if (!c.trailerFound)
    return text + pick({"no readable trailer", "nessun trailer leggibile"}, language);
  text += filled(c.otherLevels ? TextPair{"trailer only at %s", "trailer solo a %s"}
                               : TextPair{"trailer at %s", "trailer a %s"},
                 language, levelsText(c.levels, language));
  text += filled({": job %s, ", ": operazione %s, "}, language, hex32(c.trailer.jobNumber));
  return text + pick({"carrier ", "carrier "}, language) +
         placeText(c.trailer.carrierIndex, c.trailer.carrierCount, language);
}

std::vector<std::string> verdictLines(const InspectionVerdict& v, Language language,
                                      bool unhideFailed) {
  std::vector<std::string> out;
  switch (v.verdict) {
    case Verdict::kComplete:
      out.push_back(filled({"Complete and in order: the carriers of one hiding job, %s in all.",
                            "Completi e in ordine: i carrier di un'unica operazione di "
                            "occultamento, %s in tutto."},
                           language, std::to_string(v.carrierCount)));
      // The trailers read, so the data bits are as hidden: only the password can be wrong.
      if (unhideFailed)
        out.push_back(pick({"The password differs from the one they were hidden with.",
                            "La password è diversa da quella usata per nasconderli."},
                           language));
      break;
    case Verdict::kReordered:
      out.push_back(pick({"Complete, but out of order.", "Completi, ma non in ordine."}, language));
      addOrderLines(v, language, out);
      break;
    case Verdict::kOtherLevels:
      out.push_back(filled({"Complete, but hidden at other bits selection levels: %s.",
                            "Completi, ma nascosti con altri livelli di selezione bit: %s."},
                           language, levelsText(v.levels, language)));
      if (outOfOrder(v)) addOrderLines(v, language, out);
      break;
    case Verdict::kMissing:
      addMissingLine(v, language, out);
      break;
    case Verdict::kRepeated:
      out.push_back(filled({"The same place in the carrier list is given more than once: %s.",
                            "Lo stesso posto nella lista dei carrier è dato più volte: %s."},
                           language, namesAt(v, v.repeated)));
      break;
    case Verdict::kUnreadable:
      out.push_back(filled({"No readable trailer in: %s.", "Nessun trailer leggibile in: %s."},
                           language, namesAt(v, v.unreadable)));
      out.push_back(pick({"Such a carrier was not written by a hide, was altered after hiding "
                          "(re-encoded, cut) or was written by an authoring job.",
                          "Un carrier così non è stato scritto da un occultamento, è stato "
                          "alterato dopo (ricodificato, troncato) o è stato scritto da una "
                          "marcatura."},
                         language));
      if (!v.missing.empty()) addMissingLine(v, language, out);
      break;
    case Verdict::kMixedJobs:
      addJobLines(v, language, out);
      break;
    case Verdict::kNoCarriers:
      out.push_back(pick({"No carriers given.", "Nessun carrier indicato."}, language));
      break;
  }
  return out;
}

std::vector<std::string> orderUsedLines(const std::vector<std::string>& paths,
                                        const std::vector<size_t>& order, Language language) {
  std::vector<std::string> out{
      pick({"Note: the carriers were read in the order their trailers give:",
            "Nota: i carrier sono stati letti nell'ordine dato dai loro "
            "trailer:"},
           language)};
  for (size_t i : order) out.push_back("  " + paths[i]);
  return out;
}

}  // namespace murl
