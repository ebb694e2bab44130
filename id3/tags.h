// The tag records shared by the readers, the registration and the writers, and
// the version codes used everywhere in tag handling.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/legacy_text.h"

namespace tagshelf {

// Version codes: the detector gives the family (0, 2 or 4); the readers tell 0
// from 1 and 2, 3 and 5 apart; the edit window's version list and the writers use
// the first five.
enum VersionCode : std::uint8_t {
    kID3v1 = 0,
    kID3v11 = 1,
    kID3v22 = 2,
    kID3v23 = 3,
    kNoTag = 4,
    kID3v24 = 5,  // read only: a version-4 tag is written as ID3v2.3
};

// "ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE", "ID3v24": the catalogue's
// Version texts, by code (any other code gives "NONE"), and the code of a text
// (exact, letter case included; nothing for any other text).
const char* versionText(std::uint8_t code);
std::optional<std::uint8_t> versionCode(std::string_view text);

// An ID3v1 or ID3v1.1 trailer as read. Texts are UTF-8 decoded from code page 932,
// never trimmed.
struct Id3v1Tag {
    std::int16_t IsV11 = 0;  // 1 when the trailer carries a track number
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;  // always the four stored bytes, NULs included
    std::string Comment;
    std::int16_t Track = 0;  // 0..255; 0 when IsV11 is 0
    std::uint8_t Genre = 0;  // ID3v1 genre byte
    // How the texts were read from and are written to their legacy code page.
    LegacyText Legacy = LegacyText::Auto;
};

// A frame of an ID3v2 tag as stored, its body free of unsynchronisation; the two
// flag bytes are 0 in an ID3v2.2 tag.
struct RawFrame {
    std::string id;
    std::uint8_t status = 0;
    std::uint8_t format = 0;
    std::vector<std::uint8_t> body;
};

// An ID3v2.2 or ID3v2.3 tag as read; also the ID3v2 writer's input.
struct Id3v2Tag {
    std::uint8_t Version = 0;  // header major version, then set by every frame ID
    std::uint8_t Revision = 0;
    bool Unsync = false;
    bool ExtHeader = false;
    bool Experimental = false;
    bool CrcPresent = false;
    std::int32_t TagSize = 0;  // bytes after the 10-byte header
    std::int32_t Crc = 0;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Day;  // month then day, e.g. "1225"
    std::string CommentDesc;
    std::string Comment;
    std::string Track;        // as stored, e.g. "5/12"
    std::string Genre;        // as stored, e.g. "(17)Rock"; ID3v2.4 values joined with "/"
    std::uint8_t Encode = 0;  // 1 when the tag's texts are Unicode (UTF-16, UTF-8), else 0
    bool Footer = false;      // ID3v2.4: a 10-byte footer follows the tag
    // ID3v2.4: the genre frame's values one by one (empty for other versions).
    std::vector<std::string> GenreValues;
    // Read for a rewrite only: every frame of the tag as stored, in a tag of
    // major version FramesVersion. The writer writes those kept of them, in the
    // new tag's version, before its own frames.
    std::vector<RawFrame> Frames;
    std::uint8_t FramesVersion = 0;
    // How texts of encoding 0 were read and are written.
    LegacyText Legacy = LegacyText::Auto;
};

// The year and the month-and-day texts the catalogue keeps for an ID3v2 tag: the
// year as read when shorter than five characters, else its first four characters;
// the day frame as read, unless it is empty and the year is longer, when the
// characters of the year after the fourth are the month and day (a year frame
// holding year, month and day run together).
struct YearAndDay {
    std::string year;
    std::string day;
};
YearAndDay catalogueYearAndDay(const Id3v2Tag& tag);

// The version the edit window works with for a catalogue version text: an
// ID3v2.4 tag is edited as ID3v2.3, which the writer writes in its place.
std::string_view editedVersionText(std::string_view versionText);

// True for the codes of ID3v2 tags (2, 3 and 5).
constexpr bool isID3v2Code(std::uint8_t code) {
    return code == kID3v22 || code == kID3v23 || code == kID3v24;
}

// The 1-based position of the first byte after an ID3v2 tag as read: its header,
// its frames and padding, and its footer.
std::int64_t audioStartOf(const Id3v2Tag& tag);

// The version of a tag as read: ID3v1 or ID3v1.1 by its track rule, ID3v2.2 or
// ID3v2.3 by the frame identifiers.
std::uint8_t versionOf(const Id3v1Tag& tag);
std::uint8_t versionOf(const Id3v2Tag& tag);

}  // namespace tagshelf
