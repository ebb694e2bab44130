// The shared text cleaner used on configuration values, names read from tags,
// grid values and date input, and counting the characters of UTF-8 texts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tagshelf {

// An absent value gives an empty text. Otherwise the text ends at its first NUL,
// CR and LF are dropped, and leading and trailing spaces (the space character
// only) are removed.
std::string fncCleanText(std::optional<std::string_view> value);

// The number of characters (code points) of a UTF-8 text.
std::size_t utf8Length(std::string_view text);

// The byte length of the first `count` characters of a UTF-8 text (all of it when
// it is shorter).
std::size_t utf8PrefixBytes(std::string_view text, std::size_t count);

// True when the bytes are valid UTF-8.
bool isValidUtf8(std::string_view bytes);

// A path (the file system's bytes, which need not be UTF-8) as a text to show:
// each name of the path that is valid UTF-8 as it is, any other read as code page
// 932, as names from an old disc written on a Japanese system are.
std::string pathForDisplay(std::string_view path);

}  // namespace tagshelf
