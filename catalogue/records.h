// Counting catalogue rows, loading them into the record list and appending them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/error.h"

namespace tagshelf {

class Catalogue;
class Statement;
struct Record;
struct RecordList;

// Rows of a table (by name) or of a SELECT statement's result; 0 when the
// catalogue can't be opened (after fncDbOpen's message) or on failure (after the
// standard message labelled "fncDbReadCount : ").
std::int32_t fncDbReadCount(Catalogue& cat, std::string_view source);

// Loads all of FileList, in its stored order, into `list` and gives the number of
// rows counted before the load. An empty table leaves the list untouched.
std::int32_t subDbRead(Catalogue& cat, RecordList& list);

// Loads the rows of `select` (which selects columnList() from a table) into
// `list`, replacing its entries, with the spare entry after them; `expected`
// rows are made room for ahead. The entries' storage is reused, which spares a
// large list most of its allocations; on failure the list may hold part of the
// rows, and the caller decides what it shows instead.
Status loadRecords(Catalogue& cat, std::string_view select, RecordList& list,
                   std::size_t expected = 0);

class DbConnection;

// The first value of the record longer than its column allows, said for the user
// ("コメントが長すぎます（5000文字、最大4096文字）"); nothing when every value fits.
std::optional<std::string> tooLongValue(const Record& r);

// Appends one row to `table` (FileList or List), every column from the record.
Status appendRecord(DbConnection& conn, std::string_view table, const Record& r);

// Writes every column of the record into the first row of `table` (in stored
// order) whose FilePath is `filePath`; an error when there is no such row.
Status updateRecord(DbConnection& conn, std::string_view table, std::string_view filePath,
                    const Record& r);

// Reads the current row of a statement that selects columnList() into a record;
// a NULL (a value another program left out) reads as the empty text.
void readRecord(const Statement& st, Record& r);

}  // namespace tagshelf
