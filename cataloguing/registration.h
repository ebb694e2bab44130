// Registering one MP3 file in the catalogue: skip a path already catalogued,
// detect and read its tag, map the tag onto the twelve FileList columns and append
// the row. Also the genre lookups that turn a genre number or a "(n)name" text into
// the catalogue's Genre and GenreNo values.
#pragma once

#include <cstdint>
#include <optional>
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
    Refused,       // the catalogue refused the row; see `refusal`
    Unreadable,    // the file or its tag could not be read; see `error`
    NoCatalogue,   // the catalogue could not be opened or searched (a message was shown)
};

struct AddResult {
    AddOutcome outcome = AddOutcome::AlreadyThere;
    Error error;                  // for Unreadable
    std::int32_t AudioStart = 1;  // Registered: the first byte after an ID3v2 tag (1-based)
    std::string refusal;          // for Refused: why, said for the user
    std::string label;            // for NoCatalogue in a scan: the procedure that failed
};

// How subAddFile reports a row the catalogue refuses.
enum class Refusals {
    Show,    // at once, in message boxes: one file is being added
    Gather,  // only in the result, for the report at the end of a scan
};

// A row the catalogue did not take: why, said for the user, and the error with
// the label of the procedure that failed when the engine or a number conversion
// refused it (shown as the standard error message).
struct Refusal {
    std::string reason;
    std::string label;
    std::optional<Error> error;
};

// Registers the file at `path`. A refused row is shown as the standard error
// message (when there is one) followed by "データベースへ登録できませんでした"
// with the path and, for a value too long, which value.
AddResult subAddFile(Catalogue& cat, const std::string& path, Refusals refusals = Refusals::Show);

// True when FileList holds a row with that path, and also when the catalogue
// can't be opened (after fncDbOpen's message), so the file is left alone; then
// `openFailed` is set.
Result<bool> fncIsInDb(Catalogue& cat, std::string_view path, bool* openFailed = nullptr);

// The row registration makes for a file: from its ID3v1 tag, its ID3v2 tag (an
// error when its genre number is not a number), without a tag, and from the
// file's tag as it is now (an error when it can't be read).
Record fncRowOfID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag);
Result<Record> fncRowOfID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag);
Record fncRowOfNoTag(const std::string& path);
Result<Record> fncRowOfFile(Catalogue& cat, const std::string& path);

// Append one row for the file at `path`; nothing on success, else why the row
// was refused (a value longer than its column, a genre number that is not a
// number, or the engine's refusal, labelled with the procedure's name).
std::optional<Refusal> fncInDbID3v1(Catalogue& cat, const std::string& path, const Id3v1Tag& tag);
std::optional<Refusal> fncInDbID3v2(Catalogue& cat, const std::string& path, const Id3v2Tag& tag);
std::optional<Refusal> fncInDbID3None(Catalogue& cat, const std::string& path);

// The GENRE name of an ID3v1 genre number, or an empty text (255: no genre).
std::string fncGetGenre(Catalogue& cat, int number);

// The catalogue's Genre and GenreNo of an ID3v2 tag's genre frame. Each value is
// read as "(" number ")" name (a bare number as well, which is how ID3v2.4 writes
// it; a number without a name takes its name from GENRE), or as a plain name whose
// number is that of the genre list entry of that name (ignoring letter case), else
// none. The first value gives GenreNo ("999" without one), the names joined with
// "/" give Genre. A number that is not an integer ("(RX)") is an error.
struct GenreColumns {
    std::string name;
    std::string number;
};
Result<GenreColumns> fncGenreColumns(Catalogue& cat, const Id3v2Tag& tag);

// The two halves of a genre text "(" number ")" name: the name after the first
// ")" and the number inside. A text not of that form has an empty name and the
// number 0; a number that is not an integer ("()", "(RX)") is an error.
std::string fncTconName(std::string_view text);
Result<std::int32_t> fncTconNo(std::string_view text);

}  // namespace tagshelf
