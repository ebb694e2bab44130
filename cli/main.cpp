// tagshelf-cli: the command-line companion of TagShelf, on the same core as the
// program. `tagshelf-cli --help` lists the commands.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string_view> args(argv + 1, argv + argc);
    int status = tagshelf::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout && status == tagshelf::cli::kExitOk) status = tagshelf::cli::kExitFailure;
    return status;
}
