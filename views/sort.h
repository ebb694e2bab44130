// Reading the displayed list in the order of one column.
#pragma once

#include <string>
#include <string_view>

namespace tagshelf {

class Catalogue;
struct RecordList;

// The column shown under a grid header caption ("アルバム" gives "Album"); the
// empty text for any other caption.
std::string fncFieldName(std::string_view caption);

// The header caption of a column given by its caption or its database name
// ("Album" gives "アルバム"); the empty text when no shown column has that name.
std::string captionOf(std::string_view captionOrField);

// Replaces `list` with the rows of `table` in ascending text order of `field`
// (byte order: "10" before "2"), rows with equal values in their stored order;
// an empty or unknown field keeps the stored order. False, and `list` untouched,
// when the table is empty (no message) or can't be read (after the standard
// message labelled "fncDbSortRead : ").
bool fncDbSortRead(Catalogue& cat, std::string_view table, std::string_view field,
                   RecordList& list);

}  // namespace tagshelf
