// Loading a catalogued file's record into the edit window's fields: the record
// is read from the catalogue (the table the grid shows), never from the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/record_list.h"
#include "id3/writer.h"

namespace tagshelf {

class Catalogue;

// The fields the window shows for a record, by its Version: the ID3v1 group for
// "ID3v1" and "ID3v11" (the comment cut to 30 or 28 characters, the genre list
// position from GenreNo, the track for ID3v11 only), the ID3v2 group for
// "ID3v22" and "ID3v23" (a track "n/m" as number and total, the month and day
// boxes from Day by its length, the genre name and number, the encoding), nothing
// for any other version. A stored single space is an empty box, and a text
// ends at its first NUL.
EditFields editFieldsFromRecord(const Record& r);

// The row of `table` ("List" while the grid shows a search result, else
// "FileList") whose FilePath is `path`; nothing when the table is empty or holds
// no such row, and when the read fails (after the standard message labelled
// "subDbSelectData : ").
std::optional<Record> subDbSelectData(Catalogue& cat, std::string_view table,
                                      const std::string& path);

}  // namespace tagshelf
