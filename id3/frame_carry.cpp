#include "id3/frame_carry.h"

#include <algorithm>
#include <optional>
#include <span>

#include "id3/reader_detail.h"
#include "id3/reader_frames.h"

namespace tagshelf {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxFrameV22 = (1u << 24) - 1;  // 3 size bytes

std::span<const std::uint8_t> idBytes(const RawFrame& f) {
    return {reinterpret_cast<const std::uint8_t*>(f.id.data()), f.id.size()};
}

// The body of a frame without the bytes its flags put before the content, and
// inflated when compressed; nothing when it is encrypted or can't be inflated.
// Version 3 puts the inflated size, then the encryption method and the group
// before the content; version 4 the group, the method, then the data length.
std::optional<Bytes> plainBody(const RawFrame& f, std::uint8_t version) {
    const bool v4 = version == 4;
    const bool compressed = v4 ? (f.format & 0x08) : (f.format & 0x80);
    const bool encrypted = v4 ? (f.format & 0x04) : (f.format & 0x40);
    const bool grouped = v4 ? (f.format & 0x40) : (f.format & 0x20);
    const bool length = v4 ? (f.format & 0x01) : compressed;
    if (encrypted) return std::nullopt;
    const std::size_t skip = (grouped ? 1 : 0) + (length ? 4 : 0);
    if (f.body.size() < skip) return std::nullopt;
    const std::size_t lengthAt = v4 ? (grouped ? 1 : 0) : 0;
    Bytes body(f.body.begin() + static_cast<std::ptrdiff_t>(skip), f.body.end());
    if (!compressed) return body;
    std::int64_t declared = 0;
    for (std::size_t i = lengthAt; i < lengthAt + 4; ++i)
        declared = declared * (v4 ? 128 : 256) + f.body[i];
    Bytes inflated;
    if (!fncUncompress(body, declared, inflated)) return std::nullopt;
    return inflated;
}

// The frame in version 3 from version 4; nothing when version 3 can't hold it.
std::optional<RawFrame> toVersion3(const RawFrame& f) {
    if (counterpartId(f.id, 4, 3).empty()) return std::nullopt;
    std::optional<Bytes> body = plainBody(f, 4);
    if (!body) return std::nullopt;
    std::optional<Bytes> converted = bodyForVersion3(f.id, *body);
    if (!converted) return std::nullopt;
    return RawFrame{f.id, 0, 0, std::move(*converted)};
}

// The frame between versions 2 and 3; nothing without a counterpart.
std::optional<RawFrame> renamed(const RawFrame& f, std::uint8_t from, std::uint8_t to) {
    const std::string id = counterpartId(f.id, from, to);
    if (id.empty()) return std::nullopt;
    std::optional<Bytes> body = from == 3 ? plainBody(f, 3) : std::optional<Bytes>(f.body);
    if (!body) return std::nullopt;
    if (id == "APIC" || id == "PIC") *body = pictureBodyFor(*body, from, to);
    if (to == 2 && body->size() > kMaxFrameV22) return std::nullopt;
    return RawFrame{id, 0, 0, std::move(*body)};
}

}  // namespace

Carry fncCarryFrames(const std::vector<RawFrame>& old, std::uint8_t fromVersion,
                     std::uint8_t toVersion) {
    // The comment the readers show is the last one: the writer's own replaces it.
    std::optional<std::size_t> shownComment;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (fieldOf(idBytes(old[i]), fromVersion) == Field::Comment) shownComment = i;
    }
    Carry carry;
    for (std::size_t i = 0; i < old.size(); ++i) {
        const RawFrame& f = old[i];
        const std::optional<Field> field = fieldOf(idBytes(f), fromVersion);
        if (field && (field != Field::Comment || i == shownComment)) continue;
        // A frame that asks to be discarded once the tag is altered goes.
        if ((fromVersion == 3 && (f.status & 0x80)) || (fromVersion == 4 && (f.status & 0x40)))
            continue;
        std::optional<RawFrame> kept = f;
        std::uint8_t version = fromVersion;
        if (version == 4 && kept) {
            kept = toVersion3(*kept);
            version = 3;
        }
        if (version != toVersion && kept) kept = renamed(*kept, version, toVersion);
        if (kept) {
            carry.frames.push_back(std::move(*kept));
        } else if (std::find(carry.dropped.begin(), carry.dropped.end(), f.id) ==
                   carry.dropped.end()) {
            carry.dropped.push_back(f.id);
        }
    }
    return carry;
}

std::string fncDroppedFrames(const Id3v2Tag& old, std::uint8_t newCode) {
    if ((newCode != kID3v22 && newCode != kID3v23) || old.Frames.empty()) return {};
    const Carry carry = fncCarryFrames(old.Frames, old.FramesVersion, newCode == kID3v22 ? 2 : 3);
    std::string list;
    for (const std::string& id : carry.dropped)
        list += (list.empty() ? "" : ", ") + id;
    return list;
}

}  // namespace tagshelf
