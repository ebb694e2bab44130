#include "id3/writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "core/codepage.h"
#include "id3/file_replace.h"
#include "id3/frame_carry.h"
#include "id3/writer_numbers.h"

namespace tagshelf {

using fileops::File;

namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kCopyBuffer = 1 << 20;        // read/write copy, 1 MiB per step
constexpr std::size_t kCopyRangeStep = 256u << 20;  // in-kernel copy, 256 MiB per call

std::string withoutSlashes(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '/') out += c;
    }
    return out;
}

// Puts the text's legacy code page bytes into the block's field, cut to the
// field's width at a whole character; the rest of the field stays 0.
void putField(std::array<std::uint8_t, kBlockSize>& block, std::size_t offset, std::size_t width,
              std::string_view text, LegacyText legacy) {
    const std::string bytes = encodeLegacy(text, legacy);
    const std::string_view cut = writesLatin1(text, legacy)
                                     ? std::string_view(bytes).substr(0, width)
                                     : codepage::cutAtCharacter(bytes, width);
    std::memcpy(block.data() + offset, cut.data(), cut.size());
}

// The year a box gives: "0" for an empty box or the box's own "no year" text,
// else the box read as a number by its leading numeric part.
std::string yearText(std::string_view box, bool noYear) {
    if (box.empty() || noYear) return std::string(1, '0');
    return numbers::decimalText(numbers::leadingNumber(box));
}

bool isCopyRangeUnsupported(int error) {
    return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
           error == EBADF;
}

}  // namespace

// ---------------------------------------------------------------------------
// The dispatch.

Result<Id3v1Tag> fncID3v1FromFields(const EditFields& fields, std::uint8_t newCode) {
    Id3v1Tag tag;
    tag.Legacy = fields.legacyText;
    tag.IsV11 = newCode == kID3v11 ? 1 : 0;
    tag.Title = fields.txtTitle;
    tag.Artist = fields.txtArtist;
    tag.Album = fields.txtAlbum;
    tag.Comment = fields.txtComment;
    tag.Year = yearText(withoutSlashes(fields.txtYear), fields.txtYear == "00/00");

    if (fields.cmbGenre < 0 || fields.cmbGenre > 255) {
        return fileops::refusal(EINVAL, "no genre is selected", "build the ID3v1 tag");
    }
    tag.Genre = static_cast<std::uint8_t>(fields.cmbGenre);

    // The track box is shown, and its number written, for ID3v1.1 only.
    if (newCode == kID3v11) {
        const double track = std::nearbyint(numbers::leadingNumber(fields.txtTrack));
        if (!(track >= 0 && track <= 255)) {
            return fileops::refusal(ERANGE, "the track number must be from 0 to 255",
                                    "build the ID3v1.1 tag");
        }
        tag.Track = static_cast<std::int16_t>(track);
    }
    return tag;
}

void subID3v2FromFields(const EditFields& fields, std::uint8_t newCode, Id3v2Tag& tag) {
    tag.Version = newCode;
    tag.Revision = 0;
    tag.Legacy = fields.legacyText;
    tag.Title = fields.txtTIT2;
    tag.Artist = fields.txtTPE1;
    tag.Album = fields.txtTALB;
    // An empty year box writes no year frame rather than the year 0.
    tag.Year =
        fields.txtTYER.empty() ? std::string() : yearText(fields.txtTYER, fields.txtTYER == "0000");
    // Day first, then month: the order of the ID3 date frame.
    tag.Day = numbers::formatNumberText(fields.txtTDAT2, 2) +
              numbers::formatNumberText(fields.txtTDAT1, 2);
    tag.Comment = fields.txtCOMM2;
    tag.Track = fields.txtTRCK2.empty() ? withoutSlashes(fields.txtTRCK1)
                                        : fields.txtTRCK1 + "/" + fields.txtTRCK2;
    // "999" is the catalogue's number for a genre without one.
    const bool numbered = !fields.txtTCONNo.empty() && fields.txtTCONNo != "999";
    tag.Genre = numbered ? "(" + fields.txtTCONNo + ")" + fields.txtTCON : fields.txtTCON;
    tag.Encode = fields.optEncode == 1 ? 1 : 0;
}

Status subWriteTag(const std::string& targetPath, const std::string& sourcePath,
                   std::uint8_t newCode, std::uint8_t oldCode, std::int64_t audioStart,
                   Id3v2Tag v2Tag, const EditFields& fields) {
    switch (newCode) {
        case kID3v1:
        case kID3v11: {
            Result<Id3v1Tag> tag = fncID3v1FromFields(fields, newCode);
            if (!tag) return tag.status();
            return subWriteID3v1(targetPath, sourcePath, newCode, oldCode, *tag, audioStart);
        }
        case kID3v22:
        case kID3v23:
            // The old tag's other frames, in the new version's form.
            if (!v2Tag.Frames.empty()) {
                v2Tag.Frames =
                    fncCarryFrames(v2Tag.Frames, v2Tag.FramesVersion, newCode == kID3v22 ? 2 : 3)
                        .frames;
            }
            subID3v2FromFields(fields, newCode, v2Tag);
            return subWriteID3v2(targetPath, sourcePath, newCode, oldCode, v2Tag, audioStart);
        case kNoTag:
            return subWriteNoTag(targetPath, sourcePath, audioStart);
        default:
            return fileops::refusal(EINVAL, "unknown tag version " + std::to_string(newCode),
                                    "write the tag");
    }
}

// ---------------------------------------------------------------------------
// The ID3v1 writer.

std::array<std::uint8_t, kBlockSize> fncID3v1Block(const Id3v1Tag& tag, std::uint8_t newCode) {
    std::array<std::uint8_t, kBlockSize> block{};
    std::memcpy(block.data(), "TAG", 3);
    putField(block, 3, 30, tag.Title, tag.Legacy);
    putField(block, 33, 30, tag.Artist, tag.Legacy);
    putField(block, 63, 30, tag.Album, tag.Legacy);
    putField(block, 93, 4, numbers::formatNumberText(tag.Year, 0), tag.Legacy);
    if (newCode == kID3v11) {
        putField(block, 97, 28, tag.Comment, tag.Legacy);
        block[125] = 0x00;
        block[126] = static_cast<std::uint8_t>(tag.Track);
    } else {
        putField(block, 97, 30, tag.Comment, tag.Legacy);
    }
    block[127] = tag.Genre;
    return block;
}

Status subWriteID3v1(const std::string& targetPath, const std::string& sourcePath,
                     std::uint8_t newCode, std::uint8_t oldCode, const Id3v1Tag& tag,
                     std::int64_t audioStart) {
    if (newCode != kID3v1 && newCode != kID3v11) {
        return fileops::refusal(EINVAL, "not an ID3v1 version", "write the ID3v1 tag");
    }
    if (newCode == kID3v11 && (tag.Track < 0 || tag.Track > 255)) {
        return fileops::refusal(ERANGE, "the track number must be from 0 to 255",
                                "write the ID3v1.1 tag");
    }
    const std::array<std::uint8_t, kBlockSize> block = fncID3v1Block(tag, newCode);
    auto audioThenBlock = [&](const File& target, const File& source, const struct stat& st) {
        return subCopyAudio(target, source, st, audioStart, {}, block);
    };

    if (targetPath != sourcePath) return createFileFrom(targetPath, sourcePath, audioThenBlock);
    switch (oldCode) {
        case kID3v1:
        case kID3v11: {
            static constexpr std::uint8_t kTagMark[] = {'T', 'A', 'G'};
            return replaceLastBytesInPlace(sourcePath, block, kTagMark);
        }
        case kID3v22:
        case kID3v23:
        case kID3v24:
            return replaceFile(sourcePath, audioThenBlock);
        default:
            return appendInPlace(sourcePath, block);
    }
}

// ---------------------------------------------------------------------------
// Removing an ID3v2 tag.

Status subWriteNoTag(const std::string& targetPath, const std::string& sourcePath,
                     std::int64_t audioStart) {
    auto audioOnly = [&](const File& target, const File& source, const struct stat& st) {
        return subCopyAudio(target, source, st, audioStart);
    };
    if (targetPath != sourcePath) return createFileFrom(targetPath, sourcePath, audioOnly);
    // Without an ID3v2 tag the rewrite would give the same bytes again.
    if (audioStart <= 1) return checkChangeableFile(sourcePath);
    return replaceFile(sourcePath, audioOnly);
}

// ---------------------------------------------------------------------------
// Shared file routines.

Result<std::uint64_t> subCopyTail(const File& target, std::uint64_t targetEnd, const File& source,
                                  std::int64_t start, std::int64_t sourceLength) {
    if (start < 1) start = 1;
    if (start > sourceLength) return targetEnd;
    auto inOffset = static_cast<off_t>(start - 1);
    auto outOffset = static_cast<off_t>(targetEnd);
    const auto end = static_cast<off_t>(sourceLength);
    auto endedEarly = [&] {
        return fileops::refusal(EIO, "the file got shorter while it was copied",
                                "read " + source.path());
    };

    // In the kernel first: no copy through this process's memory, and on file
    // systems that can share blocks no copy at all.
    bool inKernel = true;
    while (inKernel && inOffset < end) {
        const auto step = static_cast<std::size_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(end - inOffset), kCopyRangeStep));
        ssize_t n = fileops::fileSystem().copyFileRange(source.fd(), &inOffset, target.fd(),
                                                        &outOffset, step);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (isCopyRangeUnsupported(errno)) {
                inKernel = false;
                break;
            }
            return systemError(errno, "copy " + source.path() + " to " + target.path());
        }
        if (n == 0) return endedEarly();
    }

    if (inOffset < end) {
        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kCopyBuffer);
        while (inOffset < end) {
            const auto want = static_cast<std::size_t>(
                std::min<std::uint64_t>(static_cast<std::uint64_t>(end - inOffset), kCopyBuffer));
            Result<std::size_t> got =
                source.readAt({buffer.get(), want}, static_cast<std::uint64_t>(inOffset));
            if (!got) return got.status();
            if (*got == 0) return endedEarly();
            if (Status s =
                    target.writeAt({buffer.get(), *got}, static_cast<std::uint64_t>(outOffset));
                !s) {
                return s;
            }
            inOffset += static_cast<off_t>(*got);
            outOffset += static_cast<off_t>(*got);
        }
    }
    return static_cast<std::uint64_t>(outOffset);
}

Status subCopyAudio(const File& target, const File& source, const struct stat& sourceStat,
                    std::int64_t start, std::span<const std::uint8_t> head,
                    std::span<const std::uint8_t> tail) {
    if (Status s = target.writeAt(head, 0); !s) return s;
    Result<std::uint64_t> end = subCopyTail(target, head.size(), source, start,
                                            static_cast<std::int64_t>(sourceStat.st_size));
    if (!end) return end.status();
    return target.writeAt(tail, *end);
}

}  // namespace tagshelf
