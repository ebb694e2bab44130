// The dispatcher of tagshelf-cli: finds the command named on the command line and
// prints the help made from the command list.
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace tagshelf::cli {
namespace {

#define TAGSHELF_CLI_ENTRY(name, arguments, summary) Command{#name, arguments, summary, cmd_##name},
constexpr Command kCommands[] = {TAGSHELF_CLI_COMMANDS(TAGSHELF_CLI_ENTRY)};
#undef TAGSHELF_CLI_ENTRY

const Command* find(std::string_view name) {
    for (const Command& c : kCommands) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

void printHelp(std::ostream& os) {
    os << "usage: tagshelf-cli COMMAND [ARGS...]\n"
          "       tagshelf-cli COMMAND --help\n"
          "\n"
          "TagShelf's command-line companion: works on MP3 files with the program's own\n"
          "tag code.\n"
          "\n"
          "commands:\n";
    for (const Command& c : kCommands) {
        os << "  " << c.name << ' ' << c.arguments << "\n      " << c.summary << '\n';
    }
    os << "\n"
          "exit status: 0 on success, 1 when a file could not be handled (the other files\n"
          "are still handled), 2 for a wrong command line.\n";
}

}  // namespace

std::span<const Command> commands() {
    return kCommands;
}

int run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        printHelp(err);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(out);
        return kExitOk;
    }
    const Command* command = find(args[0]);
    if (!command) {
        err << "tagshelf-cli: unknown command '" << args[0] << "' (see tagshelf-cli --help)\n";
        return kExitUsage;
    }
    return command->run(Invocation{args.subspan(1), out, err});
}

}  // namespace tagshelf::cli
