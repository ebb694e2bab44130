// Every frame of an ID3v2 tag as stored, for a rewrite that keeps the frames the
// writer does not write itself. The walks follow the readers' own (the same
// version rules, the same end of the frames) but keep every frame whole.
#include <algorithm>

#include "id3/reader.h"
#include "id3/reader_frames.h"

namespace tagshelf {

namespace {

constexpr std::size_t kHeaderSize = 10;

bool isIdByte(std::uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
}

// The bytes with the zero after every 0xFF taken out.
std::vector<std::uint8_t> resynchronised(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) ++i;
    }
    return out;
}

std::uint32_t bigEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

std::vector<RawFrame> fncRawFrames(std::span<const std::uint8_t> tag) {
    std::vector<RawFrame> frames;
    if (tag.size() < kHeaderSize) return frames;
    const std::uint8_t version = tag[3];
    const std::uint8_t flags = tag[5];
    const bool v24 = version == 4;
    // Versions 2 and 3 unsynchronise the whole tag after its header; version 4
    // each frame on its own.
    std::vector<std::uint8_t> plain;
    std::span<const std::uint8_t> body = tag.subspan(kHeaderSize);
    if (!v24 && (flags & 0x80)) {
        plain = resynchronised(body);
        body = plain;
    }
    std::size_t at = 0;
    if (flags & 0x40) {
        if (version == 3 && body.size() >= 4) at = 4 + bigEndian(body, 0, 4);
        if (v24) at = static_cast<std::size_t>(std::max<std::int64_t>(synchsafe(body, 0), 6));
    }
    const std::size_t idLength = version == 3 || v24 ? 4 : 3;
    const std::size_t headerLength = idLength == 4 ? 10 : 6;
    while (at + headerLength <= body.size() &&
           std::all_of(body.begin() + static_cast<std::ptrdiff_t>(at),
                       body.begin() + static_cast<std::ptrdiff_t>(at + idLength), isIdByte)) {
        RawFrame f;
        f.id.assign(body.begin() + static_cast<std::ptrdiff_t>(at),
                    body.begin() + static_cast<std::ptrdiff_t>(at + idLength));
        std::uint64_t size = 0;
        if (v24) {
            size = static_cast<std::uint64_t>(frameSizeV24(body, at));
        } else {
            size = bigEndian(body, at + idLength, static_cast<int>(idLength == 4 ? 4 : 3));
        }
        if (idLength == 4) {
            f.status = body[at + 8];
            f.format = body[at + 9];
        }
        const std::size_t start = at + headerLength;
        const std::size_t end =
            static_cast<std::size_t>(std::min<std::uint64_t>(body.size(), start + size));
        f.body.assign(body.begin() + static_cast<std::ptrdiff_t>(start),
                      body.begin() + static_cast<std::ptrdiff_t>(end));
        if (v24 && ((flags & 0x80) || (f.format & 0x02))) {
            f.body = resynchronised(f.body);
            f.format &= static_cast<std::uint8_t>(~0x02);
        }
        frames.push_back(std::move(f));
        at = end;
    }
    return frames;
}

}  // namespace tagshelf
