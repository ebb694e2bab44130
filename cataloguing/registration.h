// Registering one MP3 file in the catalogue: skip a path already catalogued,
// detect and read its tag, map the tag onto the twelve FileList columns and append
// the row. Also the genre lookups that turn a genre number or a "(n)name" text into
// the catalogue's Genre and GenreNo values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/record_list.h"
#include "core/error.h"
#include "id3/tags.h"

namespace tagshelf {

class Catalogue;

enum class AddOutcome {
    Registered,    // a row was appended
    AlreadyThere,  // the path was catalogued already, or the path is empty
    Refused,       // the catalogue refused the row (after the two messages)
    Unreadable,    // the file or its tag could not be read; see `error`
    NoCatalogue,   // the catalogue could not be opened or searched (a message was shown)
};

struct AddResult {
    AddOutcome outcome = AddOutcome::AlreadyThere;
    Error error;                  // for Unreadable
    std::int32_t AudioStart = 1;  // Registered: the first byte after an ID3v2 tag (1-based)
};

// Registers the file at `path`.
AddResult subAddFile(Catalogue& cat, const std::string& path);

// True when FileList holds a row with that path, and also when the catalogue
// can't be opened (after fncDbOpen's message), so the file is left alone; then
// `openFailed` is set.
Result<bool> fncIsInDb(Catalogue& cat, std::string_view path, bool* openFailed = nullptr);

// The row registration makes for a file: from its ID3v1 tag, its ID3v2 tag (an
// error when its genre number is not a number), without a tag, and from the
// file's tag as it is now (an error when it can't be read).
Record fncRowOfID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag);
Result<Record> fncRowOfID3v2(const std::string& path, const Id3v2Tag& tag);
Record fncRowOfNoTag(const std::string& path);
Result<Record> fncRowOfFile(Catalogue& cat, const std::string& path);

// Append one row for the file at `path`; true on success. A failure shows the
// standard message labelled with the procedure's name.
bool fncInDbID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag);
bool fncInDbID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag);
bool fncInDbID3None(Catalogue& cat, const std::string& path);

// The GENRE name of an ID3v1 genre number, or an empty text (255: no genre).
std::string fncGetGenre(Catalogue& cat, int number);

// The two halves of a genre text "(" number ")" name: the name after the first
// ")" and the number inside. A text not of that form has an empty name and the
// number 0; a number that is not an integer ("()", "(RX)") is an error.
std::string fncTconName(std::string_view text);
Result<std::int32_t> fncTconNo(std::string_view text);

}  // namespace tagshelf
