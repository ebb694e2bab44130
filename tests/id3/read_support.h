// Comparing and printing tags as read, for the tests and the fuzzer: every field,
// in the records' order. Free of the test framework.
#pragma once

#include <ostream>
#include <sstream>
#include <string>
#include <tuple>

#include "id3/tags.h"

namespace tagshelf {

inline auto fieldsOf(const Id3v1Tag& t) {
    return std::tie(t.IsV11, t.Title, t.Artist, t.Album, t.Year, t.Comment, t.Track, t.Genre);
}

inline auto fieldsOf(const Id3v2Tag& t) {
    return std::tie(t.Version, t.Revision, t.Unsync, t.ExtHeader, t.Experimental, t.CrcPresent,
                    t.TagSize, t.Crc, t.Title, t.Artist, t.Album, t.Year, t.Day, t.CommentDesc,
                    t.Comment, t.Track, t.Genre, t.Encode);
}

inline bool sameTag(const Id3v1Tag& a, const Id3v1Tag& b) {
    return fieldsOf(a) == fieldsOf(b);
}
inline bool sameTag(const Id3v2Tag& a, const Id3v2Tag& b) {
    return fieldsOf(a) == fieldsOf(b);
}

namespace detail {
// Texts are shown quoted with control characters escaped, so that NULs show.
inline void printText(std::ostream& os, const std::string& s) {
    os << '"';
    for (unsigned char c : s) {
        if (c < 0x20) {
            os << "\\x"
               << "0123456789abcdef"[c >> 4] << "0123456789abcdef"[c & 15];
        } else {
            os << static_cast<char>(c);
        }
    }
    os << '"';
}
}  // namespace detail

// Found by the test framework through argument-dependent lookup.
inline void PrintTo(const Id3v1Tag& t, std::ostream* os) {
    *os << "{IsV11=" << t.IsV11 << " Title=";
    detail::printText(*os, t.Title);
    *os << " Artist=";
    detail::printText(*os, t.Artist);
    *os << " Album=";
    detail::printText(*os, t.Album);
    *os << " Year=";
    detail::printText(*os, t.Year);
    *os << " Comment=";
    detail::printText(*os, t.Comment);
    *os << " Track=" << t.Track << " Genre=" << int{t.Genre} << "}";
}

inline void PrintTo(const Id3v2Tag& t, std::ostream* os) {
    *os << "{Version=" << int{t.Version} << " Revision=" << int{t.Revision}
        << " Unsync=" << t.Unsync << " ExtHeader=" << t.ExtHeader
        << " Experimental=" << t.Experimental << " CrcPresent=" << t.CrcPresent
        << " TagSize=" << t.TagSize << " Crc=" << t.Crc;
    const std::pair<const char*, const std::string*> texts[] = {
        {"Title", &t.Title},     {"Artist", &t.Artist}, {"Album", &t.Album},
        {"Year", &t.Year},       {"Day", &t.Day},       {"CommentDesc", &t.CommentDesc},
        {"Comment", &t.Comment}, {"Track", &t.Track},   {"Genre", &t.Genre},
    };
    for (const auto& [name, text] : texts) {
        *os << ' ' << name << '=';
        detail::printText(*os, *text);
    }
    *os << " Encode=" << int{t.Encode} << "}";
}

template <typename Tag>
std::string describe(const Tag& t) {
    std::ostringstream os;
    PrintTo(t, &os);
    return os.str();
}

}  // namespace tagshelf
