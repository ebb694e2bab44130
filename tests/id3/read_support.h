// Comparing tags as read, for the tests and the fuzzer: all fields at once, or the
// fields named. Free of the test framework.
#pragma once

#include <map>
#include <sstream>
#include <string>

#include "id3/tags.h"

namespace tagshelf {

// A tag's fields by name as text, numbers and flags in decimal.
// clang-format off
inline std::map<std::string, std::string> fieldTexts(const Id3v1Tag& t) {
    using std::to_string;
    return {{"IsV11", to_string(t.IsV11)}, {"Title", t.Title}, {"Artist", t.Artist},
            {"Album", t.Album}, {"Year", t.Year}, {"Comment", t.Comment},
            {"Track", to_string(t.Track)}, {"Genre", to_string(t.Genre)}};
}
inline std::map<std::string, std::string> fieldTexts(const Id3v2Tag& t) {
    using std::to_string;
    return {{"Version", to_string(t.Version)}, {"Revision", to_string(t.Revision)},
            {"Unsync", to_string(t.Unsync)}, {"ExtHeader", to_string(t.ExtHeader)},
            {"Experimental", to_string(t.Experimental)}, {"CrcPresent", to_string(t.CrcPresent)},
            {"TagSize", to_string(t.TagSize)}, {"Crc", to_string(t.Crc)}, {"Title", t.Title},
            {"Artist", t.Artist}, {"Album", t.Album}, {"Year", t.Year}, {"Day", t.Day},
            {"CommentDesc", t.CommentDesc}, {"Comment", t.Comment}, {"Track", t.Track},
            {"Genre", t.Genre}, {"Encode", to_string(t.Encode)}};
}
// clang-format on

// Every field the same.
template <typename Tag>
bool sameTag(const Tag& a, const Tag& b) {
    return fieldTexts(a) == fieldTexts(b);
}

// The fields named in `like` ("Title=x|Artist=y") in that form; unknown names "?".
template <typename Tag>
std::string namedFields(const Tag& t, const std::string& like) {
    const auto all = fieldTexts(t);
    std::string out;
    std::istringstream parts(like);
    for (std::string part; std::getline(parts, part, '|');) {
        const std::string name = part.substr(0, part.find('='));
        out += (out.empty() ? "" : "|") + name + "=" + (all.count(name) ? all.at(name) : "?");
    }
    return out;
}

}  // namespace tagshelf
