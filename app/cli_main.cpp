#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) { return murl::cli::run(argc, argv, std::cout, std::cerr); }
