#include "id3/reader_frames.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace tagshelf {

namespace {

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
