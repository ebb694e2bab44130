// Reading the content of one ID3v2 frame into the tag as read: which frames the
// readers use, the field each fills and by which rule, and the witness of the
// tag's text encoding. Shared by the walk of ID3v2.2/ID3v2.3 tags and that of
// ID3v2.4 tags.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "id3/reader_detail.h"
#include "id3/tags.h"

namespace tagshelf {

enum class Field { Title, Artist, Album, Track, Genre, Year, Day, Comment, Recorded };

namespace frame_keys {
// An identifier of three or four letters as one number (a three-letter one
// ends in 0), so that the lookup is a switch.
constexpr std::uint32_t keyOf(const char* id) {
    std::uint32_t key = 0;
    for (int i = 0; i < 4; ++i)
        key = (key << 8) | static_cast<unsigned char>(id[i]);  // a literal of 3 ends in its NUL
    return key;
}
}  // namespace frame_keys

// The field a frame fills, by its identifier in a tag of that major version (2,
// 3 or 4; the identifier has 3 bytes in version 2, else 4); nothing for a frame
// the readers don't use. Inline: every frame of every walk asks it.
inline std::optional<Field> fieldOf(std::span<const std::uint8_t> id, std::uint8_t version) {
    using frame_keys::keyOf;
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

// Which encoding the tag's texts use: the last comment frame decides; without one,
// the last text frame read. Frames without an encoding byte (empty) tell nothing.
// Encoding 1 gives 1; in an ID3v2.4 tag so do 2 (UTF-16 big-endian) and 3 (UTF-8).
struct EncodingWitness {
    std::optional<std::uint8_t> comment;
    std::optional<std::uint8_t> text;

    std::uint8_t result(bool v24) const {
        std::optional<std::uint8_t> e = comment ? comment : text;
        return e && (*e == 1 || (v24 && (*e == 2 || *e == 3))) ? 1 : 0;
    }
};

// Reads a frame's content (encoding byte first) into its field. In an ID3v2.4
// tag the encodings 2 and 3 are read too, and a text frame's several values
// (separated by NUL) are joined with "/".
void readField(Field field, const ByteRun& content, Id3v2Tag& tag, EncodingWitness& witness,
               bool v24);

// parseID3v2 into a tag the caller made (default values), which saves moving
// two dozen strings when the tag is to end up inside another object.
void parseID3v2Into(std::span<const std::uint8_t> file, LegacyText legacy, Id3v2Tag& tag);

// The ID3v2.4 frame walk: the frames of a version-4 tag whose extended header (if
// any) is skipped; `tagBytes` is the whole tag from its header on, cut at its end.
void walkID3v24(std::span<const std::uint8_t> tagBytes, Id3v2Tag& tag);

// The size of the version-4 frame whose header starts at `at` (which has its ten
// bytes). Some taggers write plain 32-bit sizes into version-4 tags: a size byte
// with its top bit set can't be synchsafe, and where both readings are possible
// the one that lands on a frame boundary is taken.
std::int64_t frameSizeV24(std::span<const std::uint8_t> tag, std::size_t at);

// 28 bits from four bytes of 7 bits, most significant first (the top bits ignored).
inline std::int64_t synchsafe(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (at < bytes.size() && bytes.size() - at >= 4) {
        const std::uint8_t* b = bytes.data() + at;
        return (std::int64_t{b[0] & 0x7F} << 21) | ((b[1] & 0x7F) << 14) | ((b[2] & 0x7F) << 7) |
               (b[3] & 0x7F);
    }
    std::int64_t value = 0;
    for (std::size_t i = at; i < at + 4; ++i)
        value = value * 128 + (i < bytes.size() ? (bytes[i] & 0x7F) : 0);
    return value;
}

}  // namespace tagshelf
