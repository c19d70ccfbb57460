#pragma once
// What a format folder declares about itself, once: its type codes and their names, the
// extensions that lead to it, its bits selection levels, its dialog filters and the options it
// reads. The registry (carriers/registry.h) lists every format's facts; identification, the
// options, the process report and the front ends read them from there.
#include <cstdint>
#include <optional>
#include <span>

#include "carriers/common/contract.h"
#include "core/messages.h"
#include "core/options.h"

namespace murl {

struct TypeFacts {
  CarrierType type;
  const char* name;          // as the front ends print it: "BMP (grey)"
  LevelFormat level;         // whose level chooses its units
  bool madeOfParts = false;  // a module: its parts' own types choose their units
};

struct LevelFacts {
  LevelFormat format;
  const char* cliName;     // "wav", as in --level wav=N
  const char* reportName;  // "WAV": the Process Report and the Options Panel name it so
};

// The two type lists of the carrier dialogs: hiding and unhiding take modules, marking and
// checking cannot use them.
enum class CarrierChoice : uint8_t { kWithModules, kWithoutModules };

// A file-dialog filter: names in both languages, patterns separated by ";". A filter whose name
// differs between the two lists is declared once for each.
struct DialogFilter {
  const char* english;
  const char* italian;
  const char* patterns;
  std::optional<CarrierChoice> onlyIn = std::nullopt;  // in both lists when empty
};

// An option of the format's own beyond its level.
struct OptionFacts {
  enum class Kind : uint8_t { kLevel, kChoice, kNumber };
  const char* cliName;  // "png-output"
  const char* help;
  Kind kind;
  std::span<const char* const> choices;  // kChoice: the words for 0, 1, 2, ...
  uint8_t maxValue;                      // kNumber: 0 to maxValue
  uint8_t (*get)(const Options&);
  void (*set)(Options&, uint8_t);
  TextPair title;                    // the Options Panel's group: "Output format"
  std::span<const TextPair> labels;  // its items for 0 to maxValue; kLevel: the level names
};

// The words of the output option of the formats whose targets may be coded with runs or not.
inline constexpr const char* kRunLengthOutputs[] = {"as-original", "compressed", "uncompressed"};
inline constexpr TextPair kRunLengthOutputLabels[] = {
    {"As original", "Originale"}, {"Compressed", "Compresso"}, {"Uncompressed", "Non compresso"}};
inline constexpr TextPair kOutputFormatTitle{"Output format", "Formato di output"};

enum class MediaKind : uint8_t { kImage, kAudio, kModule };

struct FormatFacts {
  std::span<const TypeFacts> types;         // the first is the one its extensions lead to
  std::span<const char* const> extensions;  // lower case, tried in order; "*" is any letter
  std::span<const LevelFacts> levels;
  std::span<const DialogFilter> filters;
  std::span<const OptionFacts> options;
  MediaKind kind;
  const CarrierHandler& (*handler)();
};

}  // namespace murl
