// The catalogue's tables: FileList (one row per registered MP3 file), List (a
// search or sort result with the same columns) and GENRE (genre numbers 0 to 125
// with their Japanese names).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/error.h"

namespace tagshelf {

class Catalogue;

// The Japanese genre names by number; 126 and 127 are empty.
using GenreNames = std::array<std::string_view, 128>;
GenreNames subSetGenreName();

// SQL text for a table name.
std::string quoteIdentifier(std::string_view name);

// True when the catalogue holds no table of exactly that name (views and the
// engine's own tables never count). Any failure, a missing file included, gives
// false without a message.
bool fncNoTable(Catalogue& cat, std::string_view name);

// Creates a table with the FileList columns under `name` when it is absent.
// The engine's refusal (a table whose name differs only in letter case, a
// read-only file) is given back to the caller.
Status fncCreateTable(Catalogue& cat, std::string_view name);

// Brings a table with the FileList columns made by an earlier build (with other
// column maxima) to today's definition, rows kept, in one transaction. A table
// that is missing, already current or not of our columns is left alone.
Status subMigrateTable(Catalogue& cat, std::string_view name);

// Creates and fills GENRE when it is absent; false on any failure, no message.
bool fncCreateGenre(Catalogue& cat);

// Appends the genre rows to GENRE; shows the standard message on failure.
void subInDbGenre(Catalogue& cat);

// The tables a start makes when they are missing, after bringing FileList and
// List made by an earlier build up to date: FileList, then GENRE with its rows,
// each failure shown ("テーブルの作成に失敗しました（FileList）" after the
// engine's refusal, "テーブルの作成に失敗しました（Genre）"). False when FileList
// could not be made.
bool subCreateTables(Catalogue& cat);

}  // namespace tagshelf
