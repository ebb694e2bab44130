// The shared text cleaner used on configuration values, names read from tags,
// grid values and date input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tagshelf {

// An absent value gives an empty text. Otherwise the text ends at its first NUL,
// CR and LF are dropped, and leading and trailing spaces (the space character
// only) are removed.
std::string fncCleanText(std::optional<std::string_view> value);

}  // namespace tagshelf
