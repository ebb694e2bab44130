#include "id3/reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include "core/codepage.h"
#include "id3/reader_detail.h"

namespace tagshelf {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kTrailerSize = 128;
// The first read of an ID3v2 tag: the header and, usually, all of the tag.
constexpr std::size_t kFirstRead = 4096;

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
    Status open(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) return systemError(errno);
        return {};
    }

    Result<std::uint64_t> size() const {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return systemError(errno);
        return static_cast<std::uint64_t>(st.st_size > 0 ? st.st_size : 0);
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

// ---------------------------------------------------------------------------
// ID3v2 tag walk.

std::int64_t tagSizeOf(std::span<const std::uint8_t> file) {
    auto byteAt = [&](std::size_t i) -> std::int64_t { return i < file.size() ? file[i] : 0; };
    std::int64_t size = 0;
    for (std::size_t i = 6; i < 10; ++i)
        size = size * 128 + (byteAt(i) & 0x7F);
    return size;
}

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

enum class Field { Title, Artist, Album, Track, Genre, Year, Day, Comment };

struct FrameKind {
    const char* id;
    Field field;
};

constexpr FrameKind kFramesV23[] = {
    {"TIT2", Field::Title}, {"TPE1", Field::Artist},  {"TALB", Field::Album},
    {"TRCK", Field::Track}, {"TCON", Field::Genre},   {"TYER", Field::Year},
    {"TDAY", Field::Day},   {"COMM", Field::Comment},
};
constexpr FrameKind kFramesV22[] = {
    {"TT2", Field::Title}, {"TP1", Field::Artist}, {"TAL", Field::Album}, {"TRK", Field::Track},
    {"TCO", Field::Genre}, {"TYE", Field::Year},   {"TDA", Field::Day},   {"COM", Field::Comment},
};

std::optional<Field> fieldOf(const std::uint8_t* id, std::size_t idLength) {
    auto find = [&](const auto& table) -> std::optional<Field> {
        for (const FrameKind& kind : table) {
            if (std::memcmp(kind.id, id, idLength) == 0) return kind.field;
        }
        return std::nullopt;
    };
    return idLength == 4 ? find(kFramesV23) : find(kFramesV22);
}

// The version rule: the number of characters of the frame ID as code page 932
// text (4 sets 3, 3 sets 2, other counts leave the version alone).
std::size_t idCharacterCount(const std::uint8_t* id, std::size_t idLength) {
    if (std::all_of(id, id + idLength, [](std::uint8_t b) { return b < 0x80; })) return idLength;
    std::string text = codepage::decode({reinterpret_cast<const char*>(id), idLength});
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string textRule(const ByteRun& content) {
    if (content.size <= 1) return {};
    std::int64_t index = 1;
    return fncGetText(content, index, 0xFF);
}

// Which encoding the tag's texts use: the last comment frame decides; without one,
// the last text frame of the frame table. Frames without an encoding byte (empty)
// tell nothing.
struct EncodingWitness {
    std::optional<std::uint8_t> comment;
    std::optional<std::uint8_t> text;

    std::uint8_t result() const {
        std::optional<std::uint8_t> e = comment ? comment : text;
        return e && *e == 1 ? 1 : 0;
    }
};

void dispatch(Field field, const ByteRun& content, Id3v2Tag& tag, EncodingWitness& witness) {
    if (field == Field::Comment) {
        std::int64_t index = 1;
        std::uint8_t encoding = content.at(index);
        index += 1;
        if (content.size >= 1) witness.comment = encoding;
        fncCutBytes(content, index, 3);  // language
        tag.CommentDesc = fncGetText(content, index, encoding);
        tag.Comment = content.size > 5 && index <= content.size
                          ? fncGetText(content, index, encoding)
                          : std::string();
        return;
    }
    if (content.size >= 1) witness.text = content.at(1);
    switch (field) {
        case Field::Title:
            tag.Title = textRule(content);
            break;
        case Field::Artist:
            tag.Artist = textRule(content);
            break;
        case Field::Album:
            tag.Album = textRule(content);
            break;
        case Field::Track:
            tag.Track = textRule(content);
            break;
        case Field::Genre:
            tag.Genre = textRule(content);
            break;
        case Field::Year:
            tag.Year = content.size <= 1 ? std::string() : leadingNumeral(textRule(content));
            break;
        case Field::Day:
            tag.Day = content.size <= 1 ? std::string() : monthDayFromDayMonth(textRule(content));
            break;
        case Field::Comment:
            break;
    }
}

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

Id3v1Tag parseID3v1(std::span<const std::uint8_t> trailer) {
    Id3v1Tag tag;
    tag.Title = fncGetString(trailer, 4, 30, true);
    tag.Artist = fncGetString(trailer, 34, 30, true);
    tag.Album = fncGetString(trailer, 64, 30, true);
    tag.Year = fncGetString(trailer, 94, 4, false);
    tag.Comment = fncGetString(trailer, 98, 30, true);
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

Id3v2Tag parseID3v2(std::span<const std::uint8_t> file) {
    Id3v2Tag tag;
    auto headerByte = [&](std::size_t i) -> std::uint8_t { return i < file.size() ? file[i] : 0; };
    tag.Version = headerByte(3);
    tag.Revision = headerByte(4);
    const std::uint8_t flags = headerByte(5);
    tag.Unsync = fncBitCheck(flags, 7);
    tag.ExtHeader = fncBitCheck(flags, 6);
    tag.Experimental = fncBitCheck(flags, 5);
    const std::int64_t tagSize = tagSizeOf(file);
    tag.TagSize = static_cast<std::int32_t>(tagSize);

    // Nothing past the end of the tag is read: beyond it every byte is 0.
    const auto tagBytes = file.first(static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(file.size()), kHeaderSize + tagSize)));
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
        if (std::optional<Field> field = fieldOf(id, idLength)) {
            // Only the frames that are used are inflated; a frame that cannot be is skipped.
            bool usable = true;
            if (compressed) {
                usable = fncUncompress(content.data, declaredSize, inflated);
                if (usable) content = {inflated, static_cast<std::int64_t>(inflated.size())};
            }
            if (usable) dispatch(*field, content, tag, witness);
        }

        if (id[0] == 0 || position - 1 >= walkEnd) break;
    }
    tag.Encode = witness.result();
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

Result<Id3v1Tag> fncReadID3v1(const std::string& path) {
    ReadOnlyFile file;
    if (Status s = file.open(path); !s) return s;
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    // The last 128 bytes; in a shorter file the missing leading bytes read as 0.
    std::uint8_t trailer[kTrailerSize] = {};
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(*size, kTrailerSize));
    Result<std::size_t> got =
        file.readAt(trailer + (kTrailerSize - length), length, *size - length);
    if (!got) return got.status();
    return parseID3v1(trailer);
}

Result<Id3v2Tag> fncReadID3v2(const std::string& path) {
    ReadOnlyFile file;
    if (Status s = file.open(path); !s) return s;

    // The first read takes the 10-byte header together with the bytes after it,
    // which for most files hold the whole tag: no second read, no size query.
    std::uint8_t first[kFirstRead];
    Result<std::size_t> got = file.readAt(first, sizeof first, 0);
    if (!got) return got.status();
    const std::size_t firstLength = *got;
    const std::uint64_t tagEnd =
        kHeaderSize + static_cast<std::uint64_t>(tagSizeOf({first, firstLength}));
    if (firstLength < sizeof first || tagEnd <= firstLength) {
        return parseID3v2(
            {first, static_cast<std::size_t>(std::min<std::uint64_t>(firstLength, tagEnd))});
    }

    // The rest of the tag in one read, never more than the file holds.
    Result<std::uint64_t> size = file.size();
    if (!size) return size.status();
    const auto total = static_cast<std::size_t>(std::min(*size, tagEnd));
    if (total <= firstLength) return parseID3v2({first, firstLength});
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(total);
    std::memcpy(buffer.get(), first, firstLength);
    Result<std::size_t> rest =
        file.readAt(buffer.get() + firstLength, total - firstLength, firstLength);
    if (!rest) return rest.status();
    return parseID3v2({buffer.get(), firstLength + *rest});
}

}  // namespace tagshelf
