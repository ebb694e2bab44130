// The edit window's rules that concern the tag alone: what the boxes accept
// while the user types, the month and day checks, the checks made before a
// write, whether the fields of the record's own version were edited, the genre
// dialog's preselection, and the texts the chosen encoding can't hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "id3/writer.h"

namespace tagshelf {

// What a box accepts from the keyboard.
enum class KeyFilter {
    Any,
    Digits,          // "0" to "9" (and Backspace)
    DigitsAndSlash,  // the same and "/"
};

// True when the filter lets the character through (Backspace always passes).
bool fncKeyAccepted(KeyFilter filter, char32_t character);

// Whether a change the user made to a box (typing, pasting, an input method) may
// stand: every character it puts in passes the filter, and the text does not grow
// past maxBytes bytes of code page 932 (0: no limit). A text the program set
// longer than the limit may still be shortened.
bool fncEditAccepted(std::string_view before, std::string_view after, KeyFilter filter,
                     std::size_t maxBytes);

// The month check made when the month box loses the focus: an empty box (after
// fncCleanText) or a number from 1 to 12.
bool fncMonthValid(std::string_view month);

// The day check made when the day box loses the focus: an empty box, or a
// number from 1 to 31; not tested while the month box holds a number outside 1
// to 12 (the month check stops that first).
bool fncDayValid(std::string_view day, std::string_view month);

// The message for an invalid day.
inline constexpr std::string_view kDayInvalid = "日の値が不適格です。";
inline constexpr std::string_view kMonthInvalid = "月の値が不適格です。";

// Before the confirmation: the message for the first value the write of version
// newCode can't use (an ID3v1.1 track that is not a number from 1 to 255; an
// ID3v2 track, total, month or day that is not a number, a month outside 1 to
// 12, a day outside 1 to 31, a day without a month); nothing when all are usable.
std::optional<std::string> fncRefusedValue(const EditFields& fields, std::uint8_t newCode);

// True when the group of the record's own version (versionText) still holds what
// the window loaded for the record (`loaded`); always true for "NONE" and any
// other text.
bool fncOldFieldsSame(const EditFields& now, const EditFields& loaded,
                      std::string_view versionText);

// The position the genre dialog selects for a genre number box: the number when
// it is 0 to 255, -1 (nothing) when it is empty, "999" or anything else.
int fncGenrePreselection(std::string_view genreNumber);

// A field whose text the chosen encoding can't hold, so that it would be written
// with "?" in place of characters: its label in the window and the command line's
// option for it.
struct LossyField {
    std::string_view label;
    std::string_view option;
};

// The fields that would lose characters in a write of version newCode: the ID3v1
// texts, and the ID3v2 texts in encoding 0 (code page 932), the old comment
// description among them; none in encoding 1 and for "NONE".
std::vector<LossyField> fncLossyFields(const EditFields& fields, std::uint8_t newCode,
                                       std::string_view commentDescription);

// The labels joined with "、".
std::string lossyLabels(const std::vector<LossyField>& fields);

}  // namespace tagshelf
