#include <CLI/CLI.hpp>
#include <cstdio>
#include <ostream>

#include "carriers/registry.h"
#include "cli/command.h"
#include "cli/texts.h"

namespace murl::cli {
namespace {

// "aif, au, bmp, ...": every level's command-line name.
std::string levelNames() {
  std::string names;
  for (const FormatFacts* format : carrierFormats()) {
    for (const LevelFacts& level : format->levels) {
      if (!names.empty()) names += ", ";
      names += level.cliName;
    }
  }
  return names;
}

std::string filled(Text id, Language language, const std::string& what, unsigned number = 0) {
  char line[256];
  std::snprintf(line, sizeof line, text(id, language), what.c_str(), number);
  return line;
}

bool applyLevel(const std::string& assignment, Options& options, Language language,
                std::ostream& err) {
  const size_t equals = assignment.find('=');
  const LevelFacts* level = levelByCliName(assignment.substr(0, equals));
  if (!level || equals == std::string::npos) {
    err << filled(Text::kBadFormat, language, levelNames()) << assignment << "\n";
    return false;
  }
  auto value = parseLevel(assignment.substr(equals + 1));
  if (!value) {
    err << text(Text::kBadLevel, language) << assignment << "\n";
    return false;
  }
  options.setLevel(level->format, *value);
  return true;
}

// The value of one format option as typed: a level, one of its words, or a number in range.
std::optional<uint8_t> parseOptionValue(const OptionFacts& option, const std::string& value) {
  switch (option.kind) {
    case OptionFacts::Kind::kLevel:
      return parseLevel(value);
    case OptionFacts::Kind::kChoice:
      for (size_t i = 0; i < option.choices.size(); ++i) {
        if (value == option.choices[i]) return static_cast<uint8_t>(i);
      }
      return std::nullopt;
    case OptionFacts::Kind::kNumber:
      if (value.empty() || value.size() > 3 ||
          value.find_first_not_of("0123456789") != value.npos ||
          std::stoi(value) > option.maxValue) {
        return std::nullopt;
      }
      return static_cast<uint8_t>(std::stoi(value));
  }
  return std::nullopt;
}

bool applyOption(const OptionFacts& option, const std::string& value, Options& options,
                 Language language, std::ostream& err) {
  if (value.empty()) return true;
  auto parsed = parseOptionValue(option, value);
  if (parsed) {
    option.set(options, *parsed);
    return true;
  }
  switch (option.kind) {
    case OptionFacts::Kind::kLevel:
      err << text(Text::kBadLevel, language);
      break;
    case OptionFacts::Kind::kChoice:
      err << text(Text::kBadOutput, language);
      break;
    case OptionFacts::Kind::kNumber:
      err << filled(Text::kBadNumber, language, option.cliName, option.maxValue);
      break;
  }
  err << value << "\n";
  return false;
}

}  // namespace

void defineCommonOptions(CLI::App& app, CommonOptions& common, bool withPassword) {
  app.add_option("--level", common.levels,
                 "Bits selection level of a format, FORMAT=N: FORMAT one of " + levelNames() +
                     "; N 0-6 or Minimum, Very Low, Low, Medium, High, Very High, Maximum "
                     "(default 3, Medium). Unhiding needs the levels used to hide.")
      ->type_name("FORMAT=N")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  const std::vector<const OptionFacts*> options = formatOptions();
  common.formatOptions.resize(options.size());
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionFacts& facts = *options[i];
    std::string values = "N";
    if (facts.kind == OptionFacts::Kind::kChoice) {
      values.clear();
      for (const char* choice : facts.choices)
        values += (values.empty() ? "" : "|") + std::string(choice);
    }
    app.add_option(std::string("--") + facts.cliName, common.formatOptions[i], facts.help)
        ->type_name(values);
  }
  app.add_option("--lang", common.language, "Language of the messages: en|it (default: locale)")
      ->type_name(kLanguageType);
  app.add_flag("--overwrite", common.overwrite, "Overwrite existing files without asking");
  app.add_flag("-q,--quiet", common.quiet, "No progress bar and no notes");
  if (withPassword)
    app.add_option("--password-file", common.passwordFile,
                   "Read the password from the first line of FILE (else $MURL_PASSWORD, else "
                   "it is asked twice on the terminal)")
        ->type_name(kFileType);
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
  const std::vector<const OptionFacts*> facts = formatOptions();
  for (size_t i = 0; i < facts.size() && i < common.formatOptions.size(); ++i)
    if (!applyOption(*facts[i], common.formatOptions[i], options, language, err)) return false;
  return true;
}

}  // namespace murl::cli
