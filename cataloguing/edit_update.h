// The catalogue update after a tag was written: the file's FileList row takes
// the values of the edit window's fields, as the file now holds them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "catalogue/record_list.h"
#include "id3/writer.h"

namespace tagshelf {

class Catalogue;

// The row for a write of version newCode (0 to 3) to the file at `path`.
// ID3v1/ID3v1.1: the ID3v1 group's texts, the year without "/", the track for
// ID3v1.1 only, the genre list's name and position, no month and day, no
// encoding. ID3v2.2/ID3v2.3: the ID3v2 group's texts, the track " " without a
// number, else number + "/" + total; the year without "/"; month and day as one
// number, month first, each formatted "00"; the genre name and number; Encode 0
// or 1. Empty values are one space.
Record fncEditedRecord(const std::string& path, const EditFields& fields, std::uint8_t newCode);

// Update the file's FileList row after the write: fncUpDbID3v1 for ID3v1 and
// ID3v1.1, fncUpDbID3v2 for ID3v2.2 and ID3v2.3, with fncEditedRecord's values.
// A failure is shown with the standard message labelled "fncUpDbID3v1 : " (also
// for the ID3v2 update) and gives false.
bool fncUpDbID3v1(Catalogue& cat, const std::string& path, const EditFields& fields,
                  std::uint8_t newCode);
bool fncUpDbID3v2(Catalogue& cat, const std::string& path, const EditFields& fields,
                  std::uint8_t newCode);

// After a write without a tag ("NONE"): the row as registering the file now
// gives it (an ID3v1 trailer stays in the file).
bool fncUpDbNoTag(Catalogue& cat, const std::string& path);

// The update for version newCode: one of the three above.
bool fncUpDbAfterWrite(Catalogue& cat, const std::string& path, const EditFields& fields,
                       std::uint8_t newCode);

}  // namespace tagshelf
