#include "id3/reader_frames.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace tagshelf {

namespace {

// An identifier of three or four letters as one number (a three-letter one
// ends in 0), so that the lookup is a switch.
constexpr std::uint32_t keyOf(const char* id) {
    std::uint32_t key = 0;
    for (int i = 0; i < 4; ++i)
        key = (key << 8) | static_cast<unsigned char>(id[i]);  // a literal of 3 ends in its NUL
    return key;
}

// A text frame's text: after its encoding byte, up to the terminator. In an
// ID3v2.4 tag every value of the frame, joined with "/"; `values` gets them apart.
std::string textOf(const ByteRun& content, bool v24, LegacyText legacy,
                   std::vector<std::string>* values = nullptr) {
    if (content.size <= 1) return {};
    std::int64_t index = 1;
    if (!v24) return fncGetText(content, index, 0xFF, legacy);
    const std::uint8_t encoding = content.at(index++);
    std::string joined;
    while (index <= content.size) {
        const std::int64_t before = index;
        std::string value = fncGetTextV24(content, index, encoding, legacy);
        if (index == before) break;  // nothing more can be read
        if (value.empty()) continue;
        if (values) values->push_back(value);
        if (joined.empty()) {
            joined = std::move(value);  // most frames hold one value
        } else {
            joined += "/";
            joined += value;
        }
    }
    return joined;
}

// TDRC ("2004", "2004-05", "2004-05-06T12:00"): the year, and the month and day
// as the catalogue keeps them (month first, without a leading zero).
void readRecordingTime(const std::string& text, Id3v2Tag& tag) {
    tag.Year = leadingNumeral(text.substr(0, 4));
    auto twoDigits = [&](std::size_t at) {
        return text.size() >= at + 2 && std::isdigit(static_cast<unsigned char>(text[at])) &&
                       std::isdigit(static_cast<unsigned char>(text[at + 1]))
                   ? text.substr(at, 2)
                   : std::string();
    };
    const std::string month = text.size() > 4 && text[4] == '-' ? twoDigits(5) : std::string();
    const std::string day =
        !month.empty() && text.size() > 7 && text[7] == '-' ? twoDigits(8) : std::string();
    tag.Day = month.empty() ? std::string() : leadingNumeral(month + day);
}

}  // namespace

std::optional<Field> fieldOf(std::span<const std::uint8_t> id, std::uint8_t version) {
    if (id.size() != 3 && id.size() != 4) return std::nullopt;
    const std::uint32_t key = (std::uint32_t{id[0]} << 24) | (std::uint32_t{id[1]} << 16) |
                              (std::uint32_t{id[2]} << 8) | (id.size() == 4 ? id[3] : 0U);
    if (id.size() == 3) {
        switch (key) {
            case keyOf("TT2"):
                return Field::Title;
            case keyOf("TP1"):
                return Field::Artist;
            case keyOf("TAL"):
                return Field::Album;
            case keyOf("TRK"):
                return Field::Track;
            case keyOf("TCO"):
                return Field::Genre;
            case keyOf("TYE"):
                return Field::Year;
            case keyOf("TDA"):
                return Field::Day;
            case keyOf("COM"):
                return Field::Comment;
            default:
                return std::nullopt;
        }
    }
    switch (key) {
        case keyOf("TIT2"):
            return Field::Title;
        case keyOf("TPE1"):
            return Field::Artist;
        case keyOf("TALB"):
            return Field::Album;
        case keyOf("TRCK"):
            return Field::Track;
        case keyOf("TCON"):
            return Field::Genre;
        case keyOf("TYER"):
            return Field::Year;
        case keyOf("TDAY"):
            return Field::Day;
        case keyOf("COMM"):
            return Field::Comment;
        // Version 4 dates the recording with TDRC; the date frames of version 3
        // are read too, as taggers still write them.
        case keyOf("TDRC"):
            return version == 4 ? std::optional(Field::Recorded) : std::nullopt;
        case keyOf("TDAT"):
            return version == 4 ? std::optional(Field::Day) : std::nullopt;
        default:
            return std::nullopt;
    }
}

void readField(Field field, const ByteRun& content, Id3v2Tag& tag, EncodingWitness& witness,
               bool v24) {
    if (field == Field::Comment) {
        std::int64_t index = 1;
        std::uint8_t encoding = content.at(index);
        index += 1;
        if (content.size >= 1) witness.comment = encoding;
        fncCutBytes(content, index, 3);  // language
        auto text = [&] {
            return v24 ? fncGetTextV24(content, index, encoding, tag.Legacy)
                       : fncGetText(content, index, encoding, tag.Legacy);
        };
        tag.CommentDesc = text();
        tag.Comment = content.size > 5 && index <= content.size ? text() : std::string();
        return;
    }
    if (content.size >= 1) witness.text = content.at(1);
    switch (field) {
        case Field::Title:
            tag.Title = textOf(content, v24, tag.Legacy);
            break;
        case Field::Artist:
            tag.Artist = textOf(content, v24, tag.Legacy);
            break;
        case Field::Album:
            tag.Album = textOf(content, v24, tag.Legacy);
            break;
        case Field::Track:
            tag.Track = textOf(content, v24, tag.Legacy);
            break;
        case Field::Genre:
            tag.GenreValues.clear();
            tag.Genre = textOf(content, v24, tag.Legacy, v24 ? &tag.GenreValues : nullptr);
            break;
        case Field::Year:
            tag.Year = content.size <= 1 ? std::string()
                                         : leadingNumeral(textOf(content, v24, tag.Legacy));
            break;
        case Field::Day:
            tag.Day = content.size <= 1 ? std::string()
                                        : monthDayFromDayMonth(textOf(content, v24, tag.Legacy));
            break;
        case Field::Recorded:
            readRecordingTime(textOf(content, v24, tag.Legacy), tag);
            break;
        case Field::Comment:
            break;
    }
}

}  // namespace tagshelf
