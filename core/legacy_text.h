// Texts in a legacy single- or double-byte code page: ID3v1 fields and ID3v2
// texts of encoding 0. Japanese taggers wrote them in code page 932, Western ones
// in ISO-8859-1; the INI setting APP/LEGACYTEXT chooses how they are read and
// written: "932", "latin1" or "auto" (the default).
//
// "auto" reads bytes as code page 932 when they are Japanese text and as
// ISO-8859-1 otherwise:
//  1. bytes with a byte from 0x80 to 0x9F are code page 932 (ISO-8859-1 has no
//     printable character there, and nearly every Japanese text has one);
//  2. otherwise bytes that are not valid code page 932 are ISO-8859-1;
//  3. otherwise each run of non-ASCII characters of the code page 932 reading is
//     looked at; these are accented letters of Latin words and make the text
//     ISO-8859-1: a run after an ASCII letter whose double-byte character took
//     the next letter as its second byte ("Björk", "Dépêche"), and a run of one
//     character that is a single byte or touches an ASCII letter ("À bout",
//     "crème").
// "auto" writes code page 932 when it holds the text, else ISO-8859-1 when that
// holds it, so that what it writes it reads back.
#pragma once

#include <string>
#include <string_view>

namespace tagshelf {

enum class LegacyText { Cp932, Latin1, Auto };

// "932", "latin1" and "auto"; any other name (or none) is auto.
LegacyText legacyTextFromName(std::string_view name);
const char* legacyTextName(LegacyText mode);

// True when "auto" reads these bytes as code page 932.
bool readsAsCp932(std::string_view bytes);

// Bytes of the legacy code page to UTF-8, and back. A character the chosen code
// page can't hold is written as "?".
std::string decodeLegacy(std::string_view bytes, LegacyText mode);
std::string encodeLegacy(std::string_view text, LegacyText mode);

// True when encodeLegacy writes the text in ISO-8859-1 (else code page 932).
bool writesLatin1(std::string_view text, LegacyText mode);

// True when the text is written without a "?" in place of a character.
bool canEncodeLegacy(std::string_view text, LegacyText mode);

}  // namespace tagshelf
