// The ID3v2 reader over bytes: the header and extended header, then the frame
// walk of ID3v2.2 and ID3v2.3 tags (version-4 tags have a walk of their own).
#include <algorithm>
#include <cstring>
#include <optional>

#include "core/codepage.h"
#include "id3/reader.h"
#include "id3/reader_frames.h"

namespace tagshelf {
namespace {

constexpr std::size_t kHeaderSize = 10;

// The extended header's padding size and CRC: four bytes, each taken whole and
// weighted by 128.
std::int64_t weighted128(std::span<const std::uint8_t> file, std::int64_t& position, bool unsync) {
    std::int64_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value * 128 + fncGetByte(file, position, unsync);
    return value;
}

std::int64_t bigEndian(std::span<const std::uint8_t> file, std::int64_t& position, int count,
                       bool unsync) {
    std::int64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 256 + fncGetByte(file, position, unsync);
    return value;
}

// The version rule: the number of characters of the frame ID as code page 932
// text (4 sets 3, 3 sets 2, other counts leave the version alone).
std::size_t idCharacterCount(const std::uint8_t* id, std::size_t idLength) {
    if (std::all_of(id, id + idLength, [](std::uint8_t b) { return b < 0x80; })) return idLength;
    std::string text = codepage::decode({reinterpret_cast<const char*>(id), idLength});
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// A frame header of the version-2/3 walk: the identifier (3 or 4 bytes, a
// shorter one ends in 0), the size of what follows the header, and for a
// compressed frame the size it inflates to.
struct FrameHeader {
    std::uint8_t id[4] = {0, 0, 0, 0};
    std::int64_t size = 0;
    bool compressed = false;
    std::int64_t declaredSize = 0;
};

// The bytes the format flags of a version-3 frame add after its header: the
// size a compressed frame inflates to, an encryption method, a group; each is
// taken from the frame's size.
FrameHeader withFormatBytes(FrameHeader h, std::span<const std::uint8_t> tagBytes,
                            std::int64_t& position, std::uint8_t format, bool unsync) {
    if (fncBitCheck(format, 7)) {
        h.compressed = true;
        h.declaredSize = bigEndian(tagBytes, position, 4, unsync);
        h.size -= 4;
    }
    if (fncBitCheck(format, 6)) {  // encryption method
        fncGetByte(tagBytes, position, unsync);
        h.size -= 1;
    }
    if (fncBitCheck(format, 5)) {  // group identity
        fncGetByte(tagBytes, position, unsync);
        h.size -= 1;
    }
    return h;
}

// Reads the frame header at `position` (1-based) and moves past it. Past the
// end of `tagBytes` every byte reads as 0; in an unsynchronised tag the bytes
// after the identifier go through the unsynchronisation rule.
FrameHeader readFrameHeader(std::span<const std::uint8_t> tagBytes, std::int64_t& position,
                            std::size_t idLength, bool unsync) {
    FrameHeader h;
    const auto size = static_cast<std::int64_t>(tagBytes.size());
    const std::int64_t headerLength = idLength == 4 ? 10 : 6;
    if (!unsync && position >= 1 && position - 1 + headerLength <= size) {
        // The usual case, the whole header inside the tag: its bytes taken directly.
        const std::uint8_t* b = tagBytes.data() + (position - 1);
        position += headerLength;
        if (idLength == 3) {
            std::memcpy(h.id, b, 3);
            h.size = (b[3] << 16) | (b[4] << 8) | b[5];
            return h;
        }
        std::memcpy(h.id, b, 4);
        h.size = (std::int64_t{b[4]} << 24) | (b[5] << 16) | (b[6] << 8) | b[7];
        const std::uint8_t format = b[9];
        if ((format & 0xE0) == 0) return h;
        // The format flags' extra bytes follow the header: read as below.
        return withFormatBytes(h, tagBytes, position, format, unsync);
    }
    for (std::size_t i = 0; i < idLength; ++i) {
        const std::int64_t p = position + static_cast<std::int64_t>(i);
        h.id[i] = p >= 1 && p <= size ? tagBytes[static_cast<std::size_t>(p - 1)] : 0;
    }
    position += static_cast<std::int64_t>(idLength);
    if (idLength == 3) {
        h.size = bigEndian(tagBytes, position, 3, unsync);
        return h;
    }
    h.size = bigEndian(tagBytes, position, 4, unsync);
    fncGetByte(tagBytes, position, unsync);  // status flags
    const std::uint8_t format = fncGetByte(tagBytes, position, unsync);
    return withFormatBytes(h, tagBytes, position, format, unsync);
}

}  // namespace

Id3v2Tag parseID3v2(std::span<const std::uint8_t> file, LegacyText legacy) {
    Id3v2Tag tag;
    parseID3v2Into(file, legacy, tag);
    return tag;
}

void parseID3v2Into(std::span<const std::uint8_t> file, LegacyText legacy, Id3v2Tag& tag) {
    tag.Legacy = legacy;
    auto headerByte = [&](std::size_t i) -> std::uint8_t { return i < file.size() ? file[i] : 0; };
    tag.Version = headerByte(3);
    tag.Revision = headerByte(4);
    const std::uint8_t flags = headerByte(5);
    tag.Unsync = fncBitCheck(flags, 7);
    tag.ExtHeader = fncBitCheck(flags, 6);
    tag.Experimental = fncBitCheck(flags, 5);
    const std::int64_t tagSize = synchsafe(file, 6);
    tag.TagSize = static_cast<std::int32_t>(tagSize);

    // Nothing past the end of the tag is read: beyond it every byte is 0.
    const auto tagBytes = file.first(static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(file.size()), kHeaderSize + tagSize)));
    if (tag.Version == 4) {
        walkID3v24(tagBytes, tag);
        return;
    }
    const bool unsync = tag.Unsync;

    std::int64_t position = kHeaderSize + 1;
    std::int64_t paddingSize = 0;
    if (tag.Version >= 3 && tag.ExtHeader) {
        // The extended header's own size is read past, not used.
        for (int i = 0; i < 4; ++i)
            fncGetByte(tagBytes, position, unsync);
        tag.CrcPresent = fncBitCheck(fncGetByte(tagBytes, position, unsync), 7);
        fncGetByte(tagBytes, position, unsync);
        paddingSize = weighted128(tagBytes, position, unsync);
        if (tag.CrcPresent)
            tag.Crc = static_cast<std::int32_t>(weighted128(tagBytes, position, unsync));
    }
    const std::int64_t walkEnd = tagSize + 9 - paddingSize;

    std::vector<std::uint8_t> scratch;
    std::vector<std::uint8_t> inflated;
    EncodingWitness witness;
    while (true) {
        const std::size_t idLength = tag.Version == 3 ? 4 : 3;
        const FrameHeader header = readFrameHeader(tagBytes, position, idLength, unsync);
        const std::uint8_t* id = header.id;

        const std::size_t characters = idCharacterCount(id, idLength);
        if (characters == 4) {
            tag.Version = 3;
        } else if (characters == 3) {
            tag.Version = 2;
        }

        ByteRun content = fncGetBytes(tagBytes, position, header.size, unsync, scratch);
        if (std::optional<Field> field = fieldOf({id, idLength}, tag.Version == 3 ? 3 : 2)) {
            // Only the frames that are used are inflated; a frame that cannot be is skipped.
            bool usable = true;
            if (header.compressed) {
                usable = fncUncompress(content.data, header.declaredSize, inflated);
                if (usable) content = {inflated, static_cast<std::int64_t>(inflated.size())};
            }
            if (usable) readField(*field, content, tag, witness, false);
        }

        if (id[0] == 0 || position - 1 >= walkEnd) break;
    }
    tag.Encode = witness.result(false);
}

}  // namespace tagshelf
