#include "id3/reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "core/codepage.h"
#include "id3/reader_detail.h"
#include "id3/reader_frames.h"
#include "id3/tag_prefetch.h"

namespace tagshelf {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kTrailerSize = 128;
// The first read of every file: the ID3v2 header and, usually, all of the tag.
// Its bytes are copied for every file, a file without an ID3v2 tag included, so
// it is kept to what most tags with their padding need.
constexpr std::size_t kFirstRead = 2048;
// Tags up to this size are read whole; larger ones are walked (tag_prefetch.h).
constexpr std::size_t kWholeTagRead = 4096;

// ---------------------------------------------------------------------------
// Files: open, read at an offset, close. Every file is opened and closed within
// one call.

class ReadOnlyFile {
  public:
    ReadOnlyFile() = default;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }

    // O_NONBLOCK keeps a FIFO from blocking the open; its reads then fail.
    // O_NOATIME keeps reading a tag from counting as an access of the file: a
    // scan of a collection would otherwise update the access time of every file
    // (a metadata write, daily under relatime). Only the file's owner may ask for
    // it; after the first refusal the process no longer asks.
    Status open(const std::string& path) {
        constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
        static std::atomic<bool> askNoAtime{true};
        if (askNoAtime.load(std::memory_order_relaxed)) {
            fd_ = ::open(path.c_str(), kFlags | O_NOATIME);
            if (fd_ >= 0) return {};
            if (errno != EPERM) return systemError(errno);
            askNoAtime.store(false, std::memory_order_relaxed);
        }
        fd_ = ::open(path.c_str(), kFlags);
        if (fd_ < 0) return systemError(errno);
        return {};
    }

    // The size is all the readers ask of the file: lseek gives it for a fraction
    // of what fstat costs on Linux, where it takes the path-lookup route of
    // fstatat. Something without an end to seek to (a device) counts as empty.
    Result<std::uint64_t> size() const {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end < 0 && errno != ESPIPE) return systemError(errno);
        return static_cast<std::uint64_t>(end > 0 ? end : 0);
    }

    // Reads up to `length` bytes at `offset`; fewer only at the end of the file.
    Result<std::size_t> readAt(std::uint8_t* out, std::size_t length, std::uint64_t offset) const {
        std::size_t done = 0;
        while (done < length) {
            ssize_t n = ::pread(fd_, out + done, length - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return systemError(errno);
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

  private:
    int fd_ = -1;
};

}  // namespace

// ---------------------------------------------------------------------------
// Over bytes.

std::uint8_t tagTypeOf(std::span<const std::uint8_t> head, std::span<const std::uint8_t> tail,
                       std::uint64_t fileSize) {
    auto startsWith = [](std::span<const std::uint8_t> bytes, const char* magic) {
        return bytes.size() >= 3 && std::memcmp(bytes.data(), magic, 3) == 0;
    };
    if (startsWith(head, "ID3")) return kID3v22;
    if (fileSize >= kTrailerSize && startsWith(tail, "TAG")) return kID3v1;
    return kNoTag;
}

Id3v1Tag parseID3v1(std::span<const std::uint8_t> trailer, LegacyText legacy) {
    Id3v1Tag tag;
    tag.Legacy = legacy;
    tag.Title = fncGetString(trailer, 4, 30, true, legacy);
    tag.Artist = fncGetString(trailer, 34, 30, true, legacy);
    tag.Album = fncGetString(trailer, 64, 30, true, legacy);
    tag.Year = fncGetString(trailer, 94, 4, false, legacy);
    tag.Comment = fncGetString(trailer, 98, 30, true, legacy);
    auto byteAt = [&](std::size_t offset) -> std::uint8_t {
        return offset < trailer.size() ? trailer[offset] : 0;
    };
    tag.Genre = byteAt(127);

    // ID3v1.1: a NUL within the first 29 comment bytes frees the last one for a track.
    std::size_t commentBytes = 0;
    while (commentBytes < 30 && byteAt(97 + commentBytes) != 0)
        ++commentBytes;
    if (commentBytes < 29 && byteAt(126) != 0) {
        tag.IsV11 = 1;
        tag.Track = byteAt(126);
    }
    return tag;
}

// ---------------------------------------------------------------------------
// Over files.

Result<std::uint8_t> fncGetTagType(const std::string& path) {
    ReadOnlyFile file;
    if (Status s = file.open(path); !s) return s;
    std::uint8_t head[3];
    Result<std::size_t> got = file.readAt(head, sizeof head, 0);
    if (!got) return got.status();
    if (tagTypeOf({head, *got}, {}, 0) == kID3v22) return std::uint8_t{kID3v22};

    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    std::uint8_t tail[3];
    std::size_t tailLength = 0;
    if (*size >= kTrailerSize) {
        Result<std::size_t> t = file.readAt(tail, sizeof tail, *size - kTrailerSize);
        if (!t) return t.status();
        tailLength = *t;
    }
    return tagTypeOf({head, *got}, {tail, tailLength}, *size);
}

namespace {

// The last 128 bytes of an open file of `size` bytes, as an ID3v1 trailer; in a
// shorter file the missing leading bytes read as 0.
Result<Id3v1Tag> readTrailer(const ReadOnlyFile& file, std::uint64_t size, LegacyText legacy) {
    std::uint8_t trailer[kTrailerSize] = {};
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kTrailerSize));
    Result<std::size_t> got = file.readAt(trailer + (kTrailerSize - length), length, size - length);
    if (!got) return got.status();
    return parseID3v1(trailer, legacy);
}

// The ID3v2 tag of an open file whose first `firstLength` bytes are in `first`
// (the first read takes the header together with the bytes after it, which for
// most files hold the whole tag: no second read, no size query).
Status readID3v2(const ReadOnlyFile& file, const std::uint8_t* first, std::size_t firstLength,
                 LegacyText legacy, Id3v2Tag& tag) {
    auto parse = [&](std::span<const std::uint8_t> bytes) {
        parseID3v2Into(bytes, legacy, tag);
        return Status();
    };
    const std::uint64_t tagEnd =
        kHeaderSize + static_cast<std::uint64_t>(synchsafe({first, firstLength}, 6));
    if (firstLength < kFirstRead || tagEnd <= firstLength) {
        return parse(
            {first, static_cast<std::size_t>(std::min<std::uint64_t>(firstLength, tagEnd))});
    }
    // The first `total` bytes of the file (fewer where the file ends first) in one
    // buffer, the first read's bytes reused.
    auto readWhole = [&](std::size_t total) {
        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(total);
        std::memcpy(buffer.get(), first, firstLength);
        Result<std::size_t> rest =
            file.readAt(buffer.get() + firstLength, total - firstLength, firstLength);
        return rest ? parse({buffer.get(), firstLength + *rest}) : rest.status();
    };
    // A tag of a page (padding, a few more frames) is read whole: one read, whose
    // count says where a shorter file ends. A larger one is walked, so that a
    // picture in it is not read.
    if (tagEnd <= kWholeTagRead) return readWhole(static_cast<std::size_t>(tagEnd));
    // The rest of a larger tag: the bytes the readers look at where the walk can
    // be predicted (a picture is then not read), else the whole tag in one read.
    const ReadAt read = [&file](std::uint8_t* out, std::size_t length, std::uint64_t offset) {
        return file.readAt(out, length, offset);
    };
    // The walk over a tag of `total` bytes; nothing when it gave up.
    auto prefetch = [&](std::size_t total) -> std::optional<Status> {
        Result<std::optional<PrefetchedTag>> sparse =
            fncPrefetchTag(first, firstLength, total, read);
        if (!sparse) return sparse.status();
        if (*sparse) return parse(**sparse);
        return std::nullopt;
    };
    // Up to a few megabytes the walk needs no size: a read that comes up short
    // stops it, and the size is asked only then.
    if (tagEnd <= kPrefetchKeptBytes) {
        if (std::optional<Status> s = prefetch(static_cast<std::size_t>(tagEnd))) return *s;
    }
    // Never more than the file holds.
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    const auto total = static_cast<std::size_t>(std::min(*size, tagEnd));
    if (total <= firstLength) return parse({first, firstLength});
    // Walked (again) where the walk above stopped at the file's end or was not
    // tried; where the file holds the whole tag, that walk could not be predicted.
    if (total < tagEnd || tagEnd > kPrefetchKeptBytes) {
        if (std::optional<Status> s = prefetch(total)) return *s;
    }
    return readWhole(total);
}

}  // namespace

Result<Id3v1Tag> fncReadID3v1(const std::string& path, LegacyText legacy) {
    ReadOnlyFile file;
    if (Status s = file.open(path); !s) return s;
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    return readTrailer(file, *size, legacy);
}

namespace {

// A file opened for reading its tag, with its first bytes read.
struct FirstRead {
    ReadOnlyFile file;
    std::uint8_t bytes[kFirstRead];
    std::size_t length = 0;

    Status open(const std::string& path) {
        if (Status s = file.open(path); !s) return s;
        Result<std::size_t> got = file.readAt(bytes, sizeof bytes, 0);
        if (!got) return got.status();
        length = *got;
        return {};
    }
};

}  // namespace

Result<Id3v2Tag> fncReadID3v2(const std::string& path, LegacyText legacy) {
    Result<Id3v2Tag> result{std::in_place};
    FirstRead first;
    Status s = first.open(path);
    if (s) s = readID3v2(first.file, first.bytes, first.length, legacy, *result);
    if (!s) result = s;
    return result;
}

Result<std::vector<std::uint8_t>> fncReadID3v2Bytes(const std::string& path) {
    ReadOnlyFile file;
    if (Status s = file.open(path); !s) return s;
    std::uint8_t header[kHeaderSize] = {};
    Result<std::size_t> got = file.readAt(header, sizeof header, 0);
    if (!got) return got.status();
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    const std::uint64_t tagEnd =
        kHeaderSize + static_cast<std::uint64_t>(synchsafe({header, *got}, 6));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(*size, tagEnd)));
    Result<std::size_t> all = file.readAt(bytes.data(), bytes.size(), 0);
    if (!all) return all.status();
    bytes.resize(*all);
    return bytes;
}

namespace {

// Detection and reading over a file opened with its first bytes read: the ID3v2
// tag when the first bytes start one, else the trailer.
Status readFileTag(const FirstRead& opened, LegacyText legacy, FileTag& found) {
    const ReadOnlyFile& file = opened.file;
    const std::span<const std::uint8_t> first(opened.bytes, opened.length);
    if (tagTypeOf(first, {}, 0) == kID3v22) {
        if (Status s = readID3v2(file, opened.bytes, opened.length, legacy, found.v2); !s) return s;
        found.family = kID3v22;
        found.version = versionOf(found.v2);
        return {};
    }
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    if (*size < kTrailerSize) return {};
    // The trailer in one read, its mark included.
    std::uint8_t trailer[kTrailerSize];
    Result<std::size_t> tail = file.readAt(trailer, sizeof trailer, *size - kTrailerSize);
    if (!tail) return tail.status();
    if (*tail < kTrailerSize || tagTypeOf(first, {trailer, 3}, *size) != kID3v1) return {};
    found.family = kID3v1;
    found.v1 = parseID3v1(trailer, legacy);
    found.version = versionOf(found.v1);
    return {};
}

}  // namespace

Result<FileTag> fncReadFileTag(const std::string& path, LegacyText legacy) {
    // One open for detection and reading. The tag is filled in place and returned
    // by the one return statement: it is two dozen strings, and each move costs.
    Result<FileTag> result{std::in_place};
    FirstRead opened;
    Status s = opened.open(path);
    if (s) s = readFileTag(opened, legacy, *result);
    if (!s) result = s;
    return result;
}

}  // namespace tagshelf
