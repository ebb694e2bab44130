// The number rules of the write dispatch: how the edit window's year, track,
// month and day boxes are read as numbers and written back as digits.
#pragma once

#include <string>
#include <string_view>

namespace tagshelf::numbers {

// The value of the text's leading number: spaces, tabs and line feeds are skipped
// wherever they stand; an optional sign, digits and a decimal fraction make the
// number, which ends at the first other character; no number gives 0.
// "2003" gives 2003, " 1999-12-25" 1999, "12.5" 12.5, "abc" 0.
double leadingNumber(std::string_view text);

// The shortest decimal text of a value: 2003 gives "2003", 12.5 gives "12.5".
std::string decimalText(double value);

// A text that is a number (spaces around it allowed) as a whole number, rounded
// half away from zero, with at least `minDigits` digits (zeros in front); with
// minDigits 0 the value 0 gives no characters. Any other text is kept as it is.
// ("5", 2) gives "05", ("2003", 0) gives "2003", ("0", 0) gives "", ("12.5", 4)
// gives "0013", ("", 2) gives "".
std::string formatNumberText(std::string_view text, int minDigits);

}  // namespace tagshelf::numbers
