// The catalogue's tables: FileList (one row per registered MP3 file), List (a
// search or sort result with the same columns) and GENRE (genre numbers 0 to 125
// with their Japanese names).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/error.h"

namespace tagshelf {

class AppState;

struct ColumnDef {
    const char* name;
    int maxLength;  // in characters
};

// The FileList columns in the order the table is created.
inline constexpr std::array<ColumnDef, 12> kFileListColumns{{
    {"Title", 200},
    {"Artist", 200},
    {"Album", 200},
    {"Trak", 5},
    {"Year", 4},
    {"Day", 4},
    {"Genre", 200},
    {"GenreNo", 3},
    {"Comment", 30},
    {"Encode", 30},
    {"Version", 10},
    {"FilePath", 200},
}};

// The Japanese genre names by number; 126 and 127 are empty.
using GenreNames = std::array<std::string_view, 128>;
GenreNames subSetGenreName();

// SQL text for a table name.
std::string quoteIdentifier(std::string_view name);

// True when the catalogue holds no table of exactly that name (views and the
// engine's own tables never count). Any failure, a missing file included, gives
// false without a message.
bool fncNoTable(AppState& state, std::string_view name);

// Creates a table with the FileList columns under `name` when it is absent.
// The engine's refusal (a table whose name differs only in letter case, a
// read-only file) is given back to the caller.
Status fncCreateTable(AppState& state, std::string_view name);

// Creates and fills GENRE when it is absent; false on any failure, no message.
bool fncCreateGenre(AppState& state);

// Appends the genre rows to GENRE; shows the standard message on failure.
void subInDbGenre(AppState& state);

}  // namespace tagshelf
