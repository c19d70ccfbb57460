#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/texts.h"

namespace murl::cli {
namespace {

struct NamedFormat {
  const char* name;
  LevelFormat format;
};
constexpr NamedFormat kFormats[] = {
    {"aif", LevelFormat::kAif}, {"au", LevelFormat::kAu},   {"bmp", LevelFormat::kBmp},
    {"jpg", LevelFormat::kJpg}, {"mp3", LevelFormat::kMp3}, {"pcx", LevelFormat::kPcx},
    {"png", LevelFormat::kPng}, {"tga", LevelFormat::kTga}, {"wav", LevelFormat::kWav},
};

// The index of `value` among `names`; -1 when it is not one of them.
int choose(const std::string& value, std::initializer_list<const char*> names) {
  int index = 0;
  for (const char* name : names) {
    if (value == name) return index;
    ++index;
  }
  return -1;
}

bool applyLevel(const std::string& assignment, Options& options, Language language,
                std::ostream& err) {
  size_t equals = assignment.find('=');
  std::string name = assignment.substr(0, equals);
  const NamedFormat* format = nullptr;
  for (const NamedFormat& f : kFormats)
    if (name == f.name) format = &f;
  if (!format || equals == std::string::npos) {
    err << text(Text::kBadFormat, language) << assignment << "\n";
    return false;
  }
  auto level = parseLevel(assignment.substr(equals + 1));
  if (!level) {
    err << text(Text::kBadLevel, language) << assignment << "\n";
    return false;
  }
  options.setLevel(format->format, *level);
  return true;
}

bool applyOutput(const std::string& value, std::initializer_list<const char*> names,
                 uint8_t& choice, Language language, std::ostream& err) {
  if (value.empty()) return true;
  int index = choose(value, names);
  if (index < 0) {
    err << text(Text::kBadOutput, language) << value << "\n";
    return false;
  }
  choice = static_cast<uint8_t>(index);
  return true;
}

}  // namespace

void defineCommonOptions(CLI::App& app, CommonOptions& common, bool withPassword) {
  app.add_option("--level", common.levels,
                 "Bits selection level of a format, FORMAT=N: FORMAT one of aif, au, bmp, jpg, "
                 "mp3, pcx, png, tga, wav; N 0-6 or Minimum, Very Low, Low, Medium, High, "
                 "Very High, Maximum (default 3, Medium). Unhiding needs the levels used to hide.")
      ->type_name("FORMAT=N")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--png-compression", common.pngCompression, "PNG compression level, 0-6");
  app.add_option("--png-output", common.pngOutput, "PNG targets: as-original|interlaced|linear");
  app.add_option("--png-chunk", common.pngChunk, "PNG IDAT chunk size, 0 (16Kb) to 8 (4Mb)");
  app.add_option("--pcx-output", common.pcxOutput,
                 "PCX targets: as-original|compressed|uncompressed");
  app.add_option("--tga-output", common.tgaOutput,
                 "TGA targets: as-original|compressed|uncompressed");
  app.add_option("--lang", common.language, "Language of the messages: en|it (default: locale)");
  app.add_flag("--overwrite", common.overwrite, "Overwrite existing files without asking");
  app.add_flag("-q,--quiet", common.quiet, "No progress bar and no notes");
  if (withPassword)
    app.add_option("--password-file", common.passwordFile,
                   "Read the password from the first line of FILE (else $MURL_PASSWORD, else "
                   "it is asked twice on the terminal)");
}

bool chooseLanguage(const CommonOptions& common, Language& language, std::ostream& err) {
  if (common.language.empty()) {
    language = platform::detectLanguage();
  } else if (common.language == "en") {
    language = Language::kEnglish;
  } else if (common.language == "it") {
    language = Language::kItalian;
  } else {
    err << text(Text::kBadLanguage, platform::detectLanguage()) << common.language << "\n";
    return false;
  }
  return true;
}

bool applyCommonOptions(const CommonOptions& common, Options& options, std::ostream& err) {
  Language language = Language::kEnglish;
  if (!chooseLanguage(common, language, err)) return false;
  for (const std::string& assignment : common.levels)
    if (!applyLevel(assignment, options, language, err)) return false;
  if (!common.pngCompression.empty()) {
    auto level = parseLevel(common.pngCompression);
    if (!level) {
      err << text(Text::kBadLevel, language) << common.pngCompression << "\n";
      return false;
    }
    options.pngCompressionLevel = *level;
  }
  if (common.pngChunk != -1) {
    if (common.pngChunk < 0 || common.pngChunk > 8) {
      err << text(Text::kBadChunk, language) << common.pngChunk << "\n";
      return false;
    }
    options.pngChunkSize = static_cast<uint8_t>(common.pngChunk);
  }
  uint8_t png = static_cast<uint8_t>(options.pngOutput);
  uint8_t pcx = static_cast<uint8_t>(options.pcxOutput);
  uint8_t tga = static_cast<uint8_t>(options.tgaOutput);
  if (!applyOutput(common.pngOutput, {"as-original", "interlaced", "linear"}, png, language, err) ||
      !applyOutput(common.pcxOutput, {"as-original", "compressed", "uncompressed"}, pcx, language,
                   err) ||
      !applyOutput(common.tgaOutput, {"as-original", "compressed", "uncompressed"}, tga, language,
                   err))
    return false;
  options.pngOutput = static_cast<PngOutput>(png);
  options.pcxOutput = static_cast<RleOutput>(pcx);
  options.tgaOutput = static_cast<RleOutput>(tga);
  return true;
}

}  // namespace murl::cli
