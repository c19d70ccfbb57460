#pragma once
// What a program's --help says, read back the way a reader would: the options named at the
// start of its lines and the commands under "Subcommands:".
#include <set>
#include <string>

#include "support/temp_dir.h"

namespace murl::test {

using Names = std::set<std::string>;

// What `program args --help` prints, run in `dir` (murl-cli's top-level help by default); a run
// that does not succeed fails the test.
std::string helpText(const TempDir& dir, const std::string& args = "",
                     const std::string& program = MURL_CLI_PATH);
// "-q" and "--quiet" from a line "  -q,--quiet   No progress bar"; a wrapped description line
// names nothing.
Names helpOptions(const std::string& help);
// The first word of every line under "Subcommands:".
Names helpCommands(const std::string& help);
// The names in `names` that are not in `others`, for readable failures.
Names missingFrom(const Names& names, const Names& others);

}  // namespace murl::test
