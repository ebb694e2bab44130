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
        std::uint8_t id[4] = {0, 0, 0, 0};
        const std::size_t idLength = tag.Version == 3 ? 4 : 3;
        for (std::size_t i = 0; i < idLength; ++i) {
            const std::int64_t p = position + static_cast<std::int64_t>(i);
            id[i] = p <= static_cast<std::int64_t>(tagBytes.size()) ? tagBytes[p - 1] : 0;
        }
        position += static_cast<std::int64_t>(idLength);

        std::int64_t frameSize = 0;
        bool compressed = false;
        std::int64_t declaredSize = 0;
        if (idLength == 4) {
            frameSize = bigEndian(tagBytes, position, 4, unsync);
            fncGetByte(tagBytes, position, unsync);  // status flags
            const std::uint8_t format = fncGetByte(tagBytes, position, unsync);
            if (fncBitCheck(format, 7)) {
                compressed = true;
                declaredSize = bigEndian(tagBytes, position, 4, unsync);
                frameSize -= 4;
            }
            if (fncBitCheck(format, 6)) {  // encryption method
                fncGetByte(tagBytes, position, unsync);
                frameSize -= 1;
            }
            if (fncBitCheck(format, 5)) {  // group identity
                fncGetByte(tagBytes, position, unsync);
                frameSize -= 1;
            }
        } else {
            frameSize = bigEndian(tagBytes, position, 3, unsync);
        }

        const std::size_t characters = idCharacterCount(id, idLength);
        if (characters == 4) {
            tag.Version = 3;
        } else if (characters == 3) {
            tag.Version = 2;
        }

        ByteRun content = fncGetBytes(tagBytes, position, frameSize, unsync, scratch);
        if (std::optional<Field> field = fieldOf({id, idLength}, tag.Version == 3 ? 3 : 2)) {
            // Only the frames that are used are inflated; a frame that cannot be is skipped.
            bool usable = true;
            if (compressed) {
                usable = fncUncompress(content.data, declaredSize, inflated);
                if (usable) content = {inflated, static_cast<std::int64_t>(inflated.size())};
            }
            if (usable) readField(*field, content, tag, witness, false);
        }

        if (id[0] == 0 || position - 1 >= walkEnd) break;
    }
    tag.Encode = witness.result(false);
}

}  // namespace tagshelf
