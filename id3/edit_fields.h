// Filling the edit window's fields (EditFields) from a tag, as the window shows a
// file's values, and carrying values over when the tag version is switched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "id3/tags.h"
#include "id3/writer.h"

namespace tagshelf {

// The ID3v1 group as the window shows an ID3v1/ID3v1.1 tag: the names cleaned
// (as the catalogue stores them), the year as read, the comment cut to 30
// characters (28 for ID3v1.1), the track for ID3v1.1 only, the genre position.
EditFields editFieldsFromID3v1(const Id3v1Tag& tag);

// The ID3v2 group as the window shows an ID3v2 tag: the names cleaned; a track
// text "n/m" split into number and total at its first "/"; the year and the
// month and day boxes as the catalogue splits the year and date frames; the
// comment; a genre text "(n)name" split into number and name (any other genre
// text is the name alone, without a number); the encoding.
EditFields editFieldsFromID3v2(const Id3v2Tag& tag);

// The comment as the ID3v1 group shows it: its first 30 characters, 28 for
// ID3v1.1.
std::string fncV1Comment(std::string_view comment, bool v11);

// The track number and total boxes for a track text: "n/m" gives n and m, "n/"
// n and an empty total, a text without "/" the number alone.
std::pair<std::string, std::string> fncTrackBoxes(std::string_view track);

// The month and day boxes for the catalogue's month-and-day number (month first),
// by its length in characters: 1 or 2, the month alone; 3, one digit of month
// and two of day; 4, two and two; each formatted "00"; any other length, none.
std::pair<std::string, std::string> fncDayBoxes(std::string_view day);

// The carry-over of a switch to version `toCode` in the edit window: to ID3v1 or
// ID3v1.1 the title, artist, album and year of the ID3v2 group (and the track
// for ID3v1.1), and the genre position from the genre number when a genre name
// is set; to ID3v2 the title, artist, album, track, year and comment of the
// ID3v1 group, the selected genre's name and number, and encoding 0. Each text
// is copied only when its source is not empty. A genre name whose number is not
// one of the list's (empty, "999") leaves the ID3v1 list without a selection.
void carryFieldsOver(EditFields& fields, std::uint8_t toCode);

}  // namespace tagshelf
