#include "id3/tag_prefetch.h"

#include <algorithm>
#include <cstring>

#include "id3/reader_frames.h"

namespace tagshelf {

namespace {

constexpr std::size_t kHeaderSize = 10;
// A read takes at least this much, and each further read of a tag twice as much
// as the one before (up to 512 KiB): the small frames after a picture come in
// one read with their headers, and a tag of many small frames in a few reads.
constexpr std::size_t kReadAhead = 512;
// More reads than this and the whole tag is read in one go instead.
constexpr int kMaxReads = 32;

// The thread's buffer of zeros, and whether a PrefetchedTag holds it. Tags
// larger than it may grow to get a buffer of their own.
struct Zeros {
    std::vector<std::uint8_t> bytes;
    bool lent = false;
    std::vector<std::pair<std::size_t, std::size_t>> ranges;  // lent with it, kept empty
};

Zeros& threadZeros() {
    thread_local Zeros zeros;
    return zeros;
}

}  // namespace

PrefetchedTag::PrefetchedTag(std::size_t size) : size_(size) {
    Zeros& zeros = threadZeros();
    if (zeros.lent || size > kPrefetchKeptBytes) {
        own_.resize(size);
        data_ = own_.data();
        return;
    }
    if (zeros.bytes.size() < size) zeros.bytes.resize(size);  // the new bytes are 0
    zeros.lent = lent_ = true;
    data_ = zeros.bytes.data();
    loaded_.swap(zeros.ranges);
}

PrefetchedTag::PrefetchedTag(PrefetchedTag&& other) noexcept
    : data_(other.data_),
      size_(other.size_),
      lent_(other.lent_),
      own_(std::move(other.own_)),  // a moved vector keeps its bytes where they are
      loaded_(std::move(other.loaded_)) {
    other.lent_ = false;
    other.data_ = nullptr;
    other.size_ = 0;
}

PrefetchedTag::~PrefetchedTag() {
    if (!lent_) return;
    for (const auto& [from, to] : loaded_)
        std::memset(data_ + from, 0, to - from);
    loaded_.clear();
    Zeros& zeros = threadZeros();
    zeros.ranges.swap(loaded_);
    zeros.lent = false;
}

bool PrefetchedTag::holds(std::size_t from, std::size_t to) const {
    return std::any_of(loaded_.begin(), loaded_.end(),
                       [&](const auto& r) { return r.first <= from && to <= r.second; });
}

namespace {

// The tag's bytes while the walk loads them.
class SparseTag {
  public:
    SparseTag(const std::uint8_t* first, std::size_t firstLength, std::size_t total,
              const ReadAt& read)
        : tag_(total), read_(read) {
        const std::size_t n = std::min(firstLength, total);
        tag_.loading(0, n);
        std::memcpy(tag_.data(), first, n);
    }

    // Makes the bytes [from, to) (cut at the tag's end) hold the file's bytes.
    // False when a read failed (the status says why) or there were too many.
    bool ensure(std::size_t from, std::size_t to) {
        to = std::min(to, tag_.size());
        // Most of a walk lies in the first bytes: that check stays small enough
        // to be inlined into the walk, the read does not.
        return from >= to || tag_.holds(from, to) || load(from, to);
    }

    std::span<const std::uint8_t> view() const { return tag_; }
    std::uint8_t at(std::size_t i) const { return i < tag_.size() ? view()[i] : 0; }
    std::size_t size() const { return tag_.size(); }
    PrefetchedTag take() { return std::move(tag_); }
    const Status& status() const { return status_; }

  private:
    [[gnu::noinline]] bool load(std::size_t from, std::size_t to) {
        if (++reads_ > kMaxReads) return false;
        const std::size_t ahead = kReadAhead << std::min(reads_ - 1, 10);
        const std::size_t end = std::min(tag_.size(), std::max(to, from + ahead));
        // Recorded before the read: a read that fails may still have written.
        tag_.loading(from, end);
        Result<std::size_t> got = read_(tag_.data() + from, end - from, from);
        if (!got) {
            status_ = got.status();
            return false;
        }
        // A read that comes up short means the file ends inside the tag, where
        // the readers take the bytes past the end differently from zeros in the
        // tag (a frame header cut short is no frame): nothing is returned then.
        return *got == end - from;
    }

    PrefetchedTag tag_;
    const ReadAt& read_;
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

Result<std::optional<PrefetchedTag>> fncPrefetchTag(const std::uint8_t* first,
                                                    std::size_t firstLength, std::size_t total,
                                                    const ReadAt& read) {
    if (firstLength < kHeaderSize + 14 || total <= firstLength)
        return std::optional<PrefetchedTag>();
    const std::uint8_t version = first[3];
    const std::uint8_t flags = first[5];
    if (version != 4 && (flags & 0x80)) return std::optional<PrefetchedTag>();
    SparseTag tag(first, firstLength, total, read);
    const bool walked = version == 4 ? walkV24(tag, flags) : walkV23(tag, version, flags);
    if (!tag.status()) return tag.status().error();
    if (!walked) return std::optional<PrefetchedTag>();
    return std::optional<PrefetchedTag>(tag.take());
}

}  // namespace tagshelf
