// The catalogue the catalogue commands work on: the one given with --catalogue, or
// the program folder's as the program finds it at start (the current folder and
// the catalogue name of its TagShelf.ini).
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace tagshelf {
class Catalogue;
class ScriptedToolkit;
}  // namespace tagshelf

namespace tagshelf::cli {

// The help text of --catalogue, for the commands that take it.
inline constexpr const char* kCatalogueOptionHelp =
    "  --catalogue FILE  the catalogue file (default: the one TagShelf.ini in the\n"
    "                    current folder names)\n";

// Points the catalogue at its file; reports on `err` and gives false when the INI
// file names none.
bool chooseCatalogue(Catalogue& cat, const std::optional<std::string>& given, std::ostream& err);

// Prints every message the program shows on `err`, one per line: a message's own
// line breaks become " | ", and a standard error message reads
// "fncDbOpen: error 14: unable to open database file (SQLite)".
void printMessagesTo(ScriptedToolkit& toolkit, std::ostream& err);

}  // namespace tagshelf::cli
