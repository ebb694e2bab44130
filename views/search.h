// The search of the catalogue: the records in which a searched field contains a
// text, collected pass by pass, and the result table List they are copied into.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tagshelf {

class Catalogue;
struct RecordList;

// The columns searched, as indexes into kColumns, in the order of the passes:
// every column but GenreNo and FilePath, in table order.
std::vector<std::size_t> searchedColumns();

// The text with its ASCII letters in lower case; every other byte unchanged.
std::string lowerAscii(std::string_view text);

// True when `value` contains `lowerNeedle` (already lowerAscii), ignoring the case
// of ASCII letters only.
bool containsFolded(std::string_view value, std::string_view lowerNeedle);

// Replaces `hits` with the FileList records in which a searched field contains
// `text`, matched literally: pass by pass (all title hits in table order, then the
// artist hits not yet listed, …), each FilePath listed once. Gives their number:
// 0 when nothing matched, FileList is empty, or the catalogue can't be read (after
// the message). `hits` keeps the spare entry after the last hit.
std::int32_t fncDbSearch(Catalogue& cat, std::string_view text, RecordList& hits);

// Appends the first `count` records of `list` to `table`, all of them or none;
// false after the standard message labelled "fncInWk : " when that fails.
bool fncInWk(Catalogue& cat, std::string_view table, const RecordList& list, std::int32_t count);

}  // namespace tagshelf
