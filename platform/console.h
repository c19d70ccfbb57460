#pragma once
// The console a command-line program runs in: whether its streams are terminals, and arguments
// and output in UTF-8 whatever the system's own code page. Typing without echo is EchoOff
// (platform/signals.h), which a second interrupt undoes too.
#include <string>
#include <vector>

namespace murl::platform {

enum class StandardStream { kInput, kOutput, kError };

bool isTerminal(StandardStream stream);

// The program's arguments in UTF-8, the program's name first: argv as it is on POSIX systems;
// on Windows the wide command line, so that names in any script reach the program intact.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Makes the console show the UTF-8 the program writes (its code page, on Windows).
void prepareConsole();

}  // namespace murl::platform
