#include "cli/completion.h"

#include <CLI/CLI.hpp>
#include <string_view>
#include <vector>

#include "cli/command.h"

namespace murl::cli {
namespace {

enum class ValueKind { kNone, kFlag, kFolder, kFile, kWords };

struct OptionEntry {
  std::vector<std::string> names;  // "-o", "--output"
  std::string description;
  ValueKind value = ValueKind::kFlag;
  std::vector<std::string> words;  // kWords
  bool repeatable = false;
};

struct CommandEntry {
  std::string name;  // empty for the program itself
  std::string description;
  std::vector<OptionEntry> options;
  bool takesFiles = false;  // has positional arguments
};

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

OptionEntry optionEntry(const CLI::Option& option) {
  OptionEntry entry;
  for (const std::string& s : option.get_snames()) entry.names.push_back("-" + s);
  for (const std::string& l : option.get_lnames()) entry.names.push_back("--" + l);
  entry.description = option.get_description();
  entry.repeatable = option.get_multi_option_policy() == CLI::MultiOptionPolicy::TakeAll;
  if (option.get_expected_min() == 0) return entry;
  const std::string type = option.get_type_name();
  if (type == kFolderType) {
    entry.value = ValueKind::kFolder;
  } else if (type == kFileType) {
    entry.value = ValueKind::kFile;
  } else if (type.find('|') != std::string::npos) {
    entry.value = ValueKind::kWords;
    entry.words = split(type, '|');
  } else {
    entry.value = ValueKind::kNone;
  }
  return entry;
}

CommandEntry commandEntry(const CLI::App& app, std::string name) {
  CommandEntry entry{std::move(name), app.get_description(), {}, false};
  for (const CLI::Option* option : app.get_options()) {
    if (option->nonpositional()) {
      entry.options.push_back(optionEntry(*option));
    } else {
      entry.takesFiles = true;
    }
  }
  return entry;
}

// The program first, then its commands in --help order.
std::vector<CommandEntry> describe(const CLI::App& app) {
  std::vector<CommandEntry> entries{commandEntry(app, "")};
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
    entries.push_back(commandEntry(*sub, sub->get_name()));
  return entries;
}

std::string joined(const std::vector<std::string>& words, std::string_view separator = " ") {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : std::string(separator)) + word;
  return out;
}

// ---- bash ---------------------------------------------------------------------------------

// The case arm that completes the value after one of `entry`'s names, if it has one.
std::string bashValueArm(const std::string& command, const OptionEntry& entry) {
  std::string reply;
  switch (entry.value) {
    case ValueKind::kFlag:
      return "";
    case ValueKind::kNone:
      reply = "COMPREPLY=()";
      break;
    case ValueKind::kFolder:
      reply = "_murl_cli_offer -d";
      break;
    case ValueKind::kFile:
      reply = "_murl_cli_offer -f";
      break;
    case ValueKind::kWords:
      reply = "_murl_cli_offer -W '" + joined(entry.words) + "'";
      break;
  }
  std::vector<std::string> patterns;
  for (const std::string& name : entry.names) patterns.push_back(command + ":" + name);
  return "    " + joined(patterns, "|") + ") " + reply + "; return ;;\n";
}

std::string bashOptionWords(const CommandEntry& entry) {
  std::vector<std::string> words;
  for (const OptionEntry& option : entry.options)
    words.insert(words.end(), option.names.begin(), option.names.end());
  return joined(words);
}

// ---- zsh ----------------------------------------------------------------------------------

// Text inside an _arguments word's single quotes: brackets and colons are escaped for
// _arguments, single quotes for the shell.
std::string zshQuoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '[' || c == ']' || c == ':' || c == '\\') out += '\\';
    if (c == '\'') {
      out += "'\\''";
      continue;
    }
    out += c;
  }
  return out;
}

std::string zshAction(const OptionEntry& entry) {
  switch (entry.value) {
    case ValueKind::kFolder:
      return ":folder:_files -/";
    case ValueKind::kFile:
      return ":file:_files";
    case ValueKind::kWords:
      return ":value:(" + joined(entry.words) + ")";
    case ValueKind::kNone:
      return ":value: ";
    case ValueKind::kFlag:
      break;
  }
  return "";
}

std::string zshArguments(const CommandEntry& entry, const std::string& tail) {
  std::string out = "  _arguments -s";
  for (const OptionEntry& option : entry.options) {
    for (const std::string& name : option.names) {
      out += " \\\n    '" + std::string(option.repeatable ? "*" : "") + name + "[" +
             zshQuoted(option.description) + "]" + zshAction(option) + "'";
    }
  }
  return out + tail + "\n";
}

std::string functionName(const std::string& command) {
  return command.empty() ? "_murl_cli_main" : "_murl_cli_" + command;
}

}  // namespace

std::string bashCompletion(const CLI::App& app) {
  const std::vector<CommandEntry> entries = describe(app);
  std::vector<std::string> commands;
  for (size_t i = 1; i < entries.size(); ++i) commands.push_back(entries[i].name);
  std::string out =
      "# bash completion for murl-cli, written by murl_completions from the program's own\n"
      "# options.\n"
      "\n"
      "# One offer a line, so names with spaces stay whole and nothing is expanded as a pattern.\n"
      "_murl_cli_offer() { mapfile -t COMPREPLY < <(compgen \"$@\" -- \"$cur\"); }\n"
      "\n"
      "_murl_cli() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} command= i\n"
      "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      "    case ${COMP_WORDS[i]} in\n"
      "      " +
      joined(commands, "|") +
      ") command=${COMP_WORDS[i]}; break ;;\n"
      "    esac\n"
      "  done\n"
      "  case $command:$prev in\n";
  for (const CommandEntry& entry : entries)
    for (const OptionEntry& option : entry.options) out += bashValueArm(entry.name, option);
  out += "  esac\n  local options\n  case $command in\n";
  for (const CommandEntry& entry : entries)
    out += "    " + (entry.name.empty() ? std::string("''") : entry.name) + ") options='" +
           bashOptionWords(entry) + "' ;;\n";
  out +=
      "  esac\n"
      "  if [[ $cur == -* ]]; then\n"
      "    _murl_cli_offer -W \"$options\"\n"
      "  elif [[ -z $command ]]; then\n"
      "    _murl_cli_offer -W '" +
      joined(commands) +
      "'\n"
      "  else\n"
      "    _murl_cli_offer -f\n"
      "  fi\n"
      "}\n"
      "complete -o filenames -F _murl_cli murl-cli\n";
  return out;
}

std::string zshCompletion(const CLI::App& app) {
  const std::vector<CommandEntry> entries = describe(app);
  std::string out =
      "#compdef murl-cli\n"
      "# zsh completion for murl-cli, written by murl_completions from the program's own options.\n"
      "\n_murl_cli_commands() {\n  local -a commands\n  commands=(";
  for (size_t i = 1; i < entries.size(); ++i)
    out += "\n    '" + entries[i].name + ":" + zshQuoted(entries[i].description) + "'";
  out += "\n  )\n  _describe -t commands command commands\n}\n";
  for (size_t i = 1; i < entries.size(); ++i) {
    out += "\n" + functionName(entries[i].name) + "() {\n";
    out += zshArguments(entries[i], entries[i].takesFiles ? " \\\n    '*:file:_files'" : "");
    out += "}\n";
  }
  out += "\n_murl_cli_command() {\n  case $words[1] in\n";
  for (size_t i = 1; i < entries.size(); ++i)
    out += "    " + entries[i].name + ") " + functionName(entries[i].name) + " ;;\n";
  out += "  esac\n}\n\n" + functionName("") + "() {\n";
  out += zshArguments(entries[0],
                      " \\\n    '1:command:_murl_cli_commands' \\\n"
                      "    '*::argument:_murl_cli_command'");
  out += "}\n\n" + functionName("") + " \"$@\"\n";
  return out;
}

}  // namespace murl::cli
