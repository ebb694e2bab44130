#include "id3/tags.h"

#include "core/text.h"

namespace tagshelf {

namespace {
constexpr const char* kVersionTexts[] = {"ID3v1", "ID3v11", "ID3v22", "ID3v23", "NONE", "ID3v24"};
}  // namespace

const char* versionText(std::uint8_t code) {
    return kVersionTexts[code <= kID3v24 ? code : static_cast<std::uint8_t>(kNoTag)];
}

std::optional<std::uint8_t> versionCode(std::string_view text) {
    for (std::uint8_t code = kID3v1; code <= kID3v24; ++code) {
        if (text == kVersionTexts[code]) return code;
    }
    return std::nullopt;
}

std::string_view editedVersionText(std::string_view versionText) {
    return versionText == kVersionTexts[kID3v24] ? kVersionTexts[kID3v23] : versionText;
}

std::uint8_t versionOf(const Id3v1Tag& tag) {
    return tag.IsV11 == 1 ? kID3v11 : kID3v1;
}

std::uint8_t versionOf(const Id3v2Tag& tag) {
    return tag.Version == 2 ? kID3v22 : tag.Version == 4 ? kID3v24 : kID3v23;
}

std::int64_t audioStartOf(const Id3v2Tag& tag) {
    return static_cast<std::int64_t>(tag.TagSize) + 11 + (tag.Footer ? 10 : 0);
}

YearAndDay catalogueYearAndDay(const Id3v2Tag& tag) {
    if (utf8Length(tag.Year) < 5) return {tag.Year, tag.Day};
    const std::size_t fourth = utf8PrefixBytes(tag.Year, 4);
    return {tag.Year.substr(0, fourth), tag.Day.empty() ? tag.Year.substr(fourth) : tag.Day};
}

}  // namespace tagshelf
