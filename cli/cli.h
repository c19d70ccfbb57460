#pragma once
#include <iosfwd>

namespace murl::cli {

// Exit statuses of murl-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Parses the command line and runs the chosen command; returns the exit status.
int run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace murl::cli
