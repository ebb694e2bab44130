// The ID3v2.4 frame walk: four-letter identifiers, synchsafe frame sizes, the
// version-4 frame flags (grouping, compression, encryption, unsynchronisation of
// the frame, data length indicator) and an extended header to skip.
#include <algorithm>
#include <vector>

#include "id3/reader_frames.h"

namespace tagshelf {

namespace {

constexpr std::size_t kFrameHeader = 10;

bool isIdByte(std::uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
}

bool isFrameId(std::span<const std::uint8_t> tag, std::size_t at) {
    return at + 4 <= tag.size() &&
           std::all_of(tag.begin() + static_cast<std::ptrdiff_t>(at),
                       tag.begin() + static_cast<std::ptrdiff_t>(at + 4), isIdByte);
}

// Where a frame may end: at the tag's end, at padding, or before another frame.
bool isFrameBoundary(std::span<const std::uint8_t> tag, std::size_t at) {
    return at == tag.size() || (at < tag.size() && (tag[at] == 0 || isFrameId(tag, at)));
}

}  // namespace

std::int64_t frameSizeV24(std::span<const std::uint8_t> tag, std::size_t at) {
    const std::size_t body = at + kFrameHeader;
    std::int64_t plain = 0;
    bool topBit = false;
    for (std::size_t i = at + 4; i < at + 8; ++i) {
        plain = plain * 256 + tag[i];
        topBit = topBit || (tag[i] & 0x80) != 0;
    }
    if (topBit) return plain;
    const std::int64_t safe = synchsafe(tag, at + 4);
    if (safe < 0x80 || isFrameBoundary(tag, body + static_cast<std::size_t>(safe))) return safe;
    if (body + static_cast<std::size_t>(plain) <= tag.size() &&
        isFrameBoundary(tag, body + static_cast<std::size_t>(plain))) {
        return plain;
    }
    return safe;
}

namespace {

// The bytes with the zero after every 0xFF taken out.
std::span<const std::uint8_t> resynchronised(std::span<const std::uint8_t> bytes,
                                             std::vector<std::uint8_t>& out) {
    out.clear();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
    }
    return out;
}

}  // namespace

void walkID3v24(std::span<const std::uint8_t> tag, Id3v2Tag& out) {
    if (tag.size() < kFrameHeader) return;
    const std::uint8_t flags = tag[5];
    const bool tagUnsync = (flags & 0x80) != 0;
    out.Footer = (flags & 0x10) != 0;
    std::size_t at = kFrameHeader;
    if (flags & 0x40) {
        // The extended header's size counts itself.
        at = std::min<std::size_t>(
            tag.size(),
            kFrameHeader + static_cast<std::size_t>(std::max<std::int64_t>(synchsafe(tag, 10), 6)));
    }

    std::vector<std::uint8_t> plain;
    std::vector<std::uint8_t> inflated;
    EncodingWitness witness;
    while (at + kFrameHeader <= tag.size() && isFrameId(tag, at)) {
        const std::span<const std::uint8_t> id = tag.subspan(at, 4);
        const std::uint8_t format = tag[at + 9];
        const std::int64_t size = frameSizeV24(tag, at);
        const std::size_t start = at + kFrameHeader;
        const std::size_t end = static_cast<std::size_t>(std::min<std::int64_t>(
            static_cast<std::int64_t>(tag.size()), static_cast<std::int64_t>(start) + size));
        at = end;

        const std::optional<Field> field = fieldOf(id, 4);
        if (!field) continue;
        // The bytes that follow the header: a group, an encryption method, then the
        // data length indicator.
        std::size_t data = start + ((format & 0x40) ? 1 : 0) + ((format & 0x04) ? 1 : 0);
        std::int64_t dataLength = -1;
        if (format & 0x01) {
            dataLength = data + 4 <= end ? synchsafe(tag, data) : -1;
            data += 4;
        }
        if ((format & 0x04) || data > end) continue;  // encrypted, or nothing left
        std::span<const std::uint8_t> body = tag.subspan(data, end - data);
        if (tagUnsync || (format & 0x02)) body = resynchronised(body, plain);
        if (format & 0x08) {
            if (!fncUncompress(body, dataLength, inflated)) continue;
            body = inflated;
        }
        readField(*field, ByteRun{body, static_cast<std::int64_t>(body.size())}, out, witness,
                  true);
    }
    out.Encode = witness.result(true);
}

}  // namespace tagshelf
