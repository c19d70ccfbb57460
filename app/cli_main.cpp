#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  murl::platform::prepareConsole();
  std::vector<std::string> arguments = murl::platform::commandLineArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  return murl::cli::run(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr);
}
