// The commands of tagshelf-cli. Each command lives in its own cli/cmd_<name>.cpp,
// which defines cmd_<name>; the list below names it once, and the dispatcher and
// --help are made from that list. Adding a command is one more file and one more
// line here.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace tagshelf::cli {

// COMMAND(name, arguments, one line of help)
#define TAGSHELF_CLI_COMMANDS(COMMAND)                                                     \
    COMMAND(tag, "[--] FILE...",                                                           \
            "detect and read each file's tag; print one JSON object per line per file")    \
    COMMAND(add, "[--catalogue FILE] [--create] [--] PATH...",                             \
            "register MP3 files and folders in the catalogue as a drop on the grid does")  \
    COMMAND(list, "[--catalogue FILE] [--table FileList|List]",                            \
            "print the rows of a catalogue table, one JSON object per line")               \
    COMMAND(search, "TEXT [--catalogue FILE] [--sort CAPTION-OR-FIELD]",                   \
            "print the records a search shows in the window, one JSON object per line")    \
    COMMAND(export, "FILE [--catalogue FILE] [--search TEXT] [--encoding cp932|utf-8]",    \
            "write the catalogue or a search result as the CSV file \"CSVへ保存\" writes") \
    COMMAND(write,                                                                         \
            "[--version V] [--title T] [--artist A] [--album A] [--track N] "              \
            "[--track-total N] [--year Y] [--month M] [--day D] [--comment C] "            \
            "[--genre NAME] [--genre-no N] [--encoding 0|1] [--lossy] "                    \
            "[--catalogue FILE] [--] FILE",                                                \
            "write a file's tag (and its catalogue row) as OK in the edit window does")

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // at least one file could not be handled
inline constexpr int kExitUsage = 2;    // the command line was wrong

// What a command is given: the arguments after its name, and the output streams.
struct Invocation {
    std::span<const std::string_view> args;
    std::ostream& out;
    std::ostream& err;
};

struct Command {
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    int (*run)(const Invocation&);
};

// For each command: its function, and its arguments as kArguments_<name> for the
// command's own usage line.
#define TAGSHELF_CLI_DECLARE(name, arguments, summary) \
    int cmd_##name(const Invocation& call);            \
    inline constexpr std::string_view kArguments_##name = arguments;
TAGSHELF_CLI_COMMANDS(TAGSHELF_CLI_DECLARE)
#undef TAGSHELF_CLI_DECLARE

// Every command, in the order of the list.
std::span<const Command> commands();

// Runs the command line (the arguments after the program name).
int run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace tagshelf::cli
