#include "id3/genre_list.h"

namespace tagshelf {
namespace {

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<int> genrePosition(std::string_view name) {
    for (std::size_t i = 0; i < kGenreList.size(); ++i) {
        if (kGenreList[i] == name) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < kGenreList.size(); ++i) {
        if (sameIgnoringAsciiCase(kGenreList[i], name)) return static_cast<int>(i);
    }
    return std::nullopt;
}

}  // namespace tagshelf
