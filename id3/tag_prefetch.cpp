#include "id3/tag_prefetch.h"

#include <algorithm>
#include <cstring>

#include "id3/reader_frames.h"

namespace tagshelf {

namespace {

constexpr std::size_t kHeaderSize = 10;
// A read takes at least this much: the small text frames after a picture then
// come in one read with their headers.
constexpr std::size_t kReadAhead = 512;
// More reads than this and the whole tag is read in one go instead.
constexpr int kMaxReads = 32;

// The tag buffer and the ranges of it that hold the file's bytes.
class SparseTag {
  public:
    SparseTag(const std::uint8_t* first, std::size_t firstLength, std::size_t total,
              const ReadAt& read)
        : buffer_(total), read_(read) {
        const std::size_t n = std::min(firstLength, total);
        std::memcpy(buffer_.data(), first, n);
        loaded_.push_back({0, n});
    }

    // Makes the bytes [from, to) (cut at the tag's end) hold the file's bytes.
    // False when a read failed (the status says why) or there were too many.
    bool ensure(std::size_t from, std::size_t to) {
        to = std::min(to, buffer_.size());
        if (from >= to || isLoaded(from, to)) return true;
        if (++reads_ > kMaxReads) return false;
        const std::size_t end = std::min(buffer_.size(), std::max(to, from + kReadAhead));
        Result<std::size_t> got = read_(buffer_.data() + from, end - from, from);
        if (!got) {
            status_ = got.status();
            return false;
        }
        // Bytes past the end of the file stay 0, as the readers take them.
        loaded_.push_back({from, end});
        return true;
    }

    std::span<const std::uint8_t> view() const { return buffer_; }
    std::uint8_t at(std::size_t i) const { return i < buffer_.size() ? buffer_[i] : 0; }
    std::size_t size() const { return buffer_.size(); }
    std::vector<std::uint8_t> take() { return std::move(buffer_); }
    const Status& status() const { return status_; }

  private:
    bool isLoaded(std::size_t from, std::size_t to) const {
        return std::any_of(loaded_.begin(), loaded_.end(),
                           [&](const auto& r) { return r.first <= from && to <= r.second; });
    }

    std::vector<std::uint8_t> buffer_;
    const ReadAt& read_;
    std::vector<std::pair<std::size_t, std::size_t>> loaded_;
    int reads_ = 0;
    Status status_;
};

// The walk of version 2 and 3 tags, as parseID3v2 takes it: identifiers of 4
// bytes in a version-3 header, else 3; after the identifier the size (4 or 3
// bytes), then for 4-byte identifiers the two flag bytes and the bytes the format
// flags add (which the reader takes even when they exceed the frame's size).
bool walkV23(SparseTag& tag, std::uint8_t version, std::uint8_t flags) {
    const std::size_t idLength = version == 3 ? 4 : 3;
    std::size_t at = kHeaderSize;
    if (version >= 3 && (flags & 0x40)) at += (tag.at(14) & 0x80) ? 14 : 10;
    while (at < tag.size()) {
        if (!tag.ensure(at, at + idLength + 4 + 2 + 6)) return false;
        // Past the tag's end an identifier reads as 0, as the reader takes it.
        std::uint8_t id[4] = {};
        for (std::size_t i = 0; i < idLength; ++i) {
            id[i] = tag.at(at + i);
            if (id[i] >= 0x80) return false;  // the version rule may apply
        }
        if (id[0] == 0) return true;
        std::uint64_t size = 0;
        for (std::size_t i = 0; i < idLength; ++i)
            size = size * 256 + tag.at(at + idLength + i);
        std::size_t header = idLength == 4 ? 10 : 6;
        std::uint64_t extra = 0;
        if (idLength == 4) {
            const std::uint8_t format = tag.at(at + 9);
            extra =
                ((format & 0x80) ? 4 : 0) + ((format & 0x40) ? 1 : 0) + ((format & 0x20) ? 1 : 0);
        }
        const std::uint64_t next = at + header + std::max(size, extra);
        if (fieldOf({id, idLength}, version == 3 ? 3 : 2) &&
            !tag.ensure(at, static_cast<std::size_t>(std::min<std::uint64_t>(next, tag.size())))) {
            return false;
        }
        if (next >= tag.size()) return true;
        at = static_cast<std::size_t>(next);
    }
    return true;
}

// The walk of version-4 tags, as walkID3v24 takes it; a frame's size needs the
// bytes where either reading of it would end.
bool walkV24(SparseTag& tag, std::uint8_t flags) {
    std::size_t at = kHeaderSize;
    if (flags & 0x40) {
        at = std::min<std::size_t>(
            tag.size(), kHeaderSize + static_cast<std::size_t>(
                                          std::max<std::int64_t>(synchsafe(tag.view(), 10), 6)));
    }
    while (at + kHeaderSize <= tag.size()) {
        if (!tag.ensure(at, at + kHeaderSize)) return false;
        const bool isId = std::all_of(
            tag.view().begin() + static_cast<std::ptrdiff_t>(at),
            tag.view().begin() + static_cast<std::ptrdiff_t>(at + 4),
            [](std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9'); });
        if (!isId) return true;
        const std::size_t body = at + kHeaderSize;
        std::uint64_t plain = 0;
        for (std::size_t i = at + 4; i < at + 8; ++i)
            plain = plain * 256 + tag.at(i);
        const auto safe = static_cast<std::uint64_t>(synchsafe(tag.view(), at + 4));
        for (std::uint64_t end : {body + safe, body + plain}) {
            if (end < tag.size() &&
                !tag.ensure(static_cast<std::size_t>(end), static_cast<std::size_t>(end) + 4)) {
                return false;
            }
        }
        const std::uint64_t size = static_cast<std::uint64_t>(frameSizeV24(tag.view(), at));
        const auto end = static_cast<std::size_t>(std::min<std::uint64_t>(tag.size(), body + size));
        if (fieldOf(tag.view().subspan(at, 4), 4) && !tag.ensure(body, end)) return false;
        at = end;
    }
    return true;
}

}  // namespace

Result<std::optional<std::vector<std::uint8_t>>> fncPrefetchTag(const std::uint8_t* first,
                                                                std::size_t firstLength,
                                                                std::size_t total,
                                                                const ReadAt& read) {
    if (firstLength < kHeaderSize + 14 || total <= firstLength)
        return std::optional<std::vector<std::uint8_t>>();
    const std::uint8_t version = first[3];
    const std::uint8_t flags = first[5];
    if (version != 4 && (flags & 0x80)) return std::optional<std::vector<std::uint8_t>>();
    SparseTag tag(first, firstLength, total, read);
    const bool walked = version == 4 ? walkV24(tag, flags) : walkV23(tag, version, flags);
    if (!tag.status()) return tag.status().error();
    if (!walked) return std::optional<std::vector<std::uint8_t>>();
    return std::optional<std::vector<std::uint8_t>>(tag.take());
}

}  // namespace tagshelf
