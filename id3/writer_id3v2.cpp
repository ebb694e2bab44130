// The ID3v2.2/ID3v2.3 writer: a fresh tag of at most eight frames, built in
// memory, then written in front of the audio.
#include <cerrno>
#include <cstring>
#include <optional>

#include "core/codepage.h"
#include "id3/file_replace.h"
#include "id3/frame_carry.h"
#include "id3/writer.h"
#include "id3/writer_numbers.h"

namespace tagshelf {

using fileops::File;

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::uint32_t kMaxTagSize = (1u << 28) - 1;   // 28 bits in the header
constexpr std::uint32_t kMaxFrameV22 = (1u << 24) - 1;  // 3 size bytes

void appendText(TagBytes& out, std::string_view bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The byte-order mark FF FE, then the code units low byte first.
void appendUtf16(TagBytes& out, std::string_view text) {
    out.push_back(0xFF);
    out.push_back(0xFE);
    for (char16_t unit : codepage::toUtf16(text)) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

// One byte of a frame, with the unsynchronisation rule: a 0x00 goes in between
// a 0xFF and a following 0x00 or 0xE0..0xFF, which would otherwise look like
// the start of an audio frame.
std::uint8_t putByte(TagBytes& out, std::uint8_t byte, bool unsync, std::uint8_t previous) {
    if (unsync && previous == 0xFF && (byte == 0x00 || byte >= 0xE0)) out.push_back(0x00);
    out.push_back(byte);
    return byte;
}

std::string crLfToLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

// The body of a frame, or nothing when the frame is left out.
std::optional<TagBytes> frameBody(std::string_view id, std::string_view commentId,
                                  const Id3v2Tag& tag, std::string_view text) {
    if (!id.empty() && id[0] == 'T') {
        if (text.empty()) return std::nullopt;
        return fncTextBody(tag.Encode, text, tag.Legacy);
    }
    if ((text.empty() && tag.CommentDesc.empty()) || id != commentId) return std::nullopt;
    return fncCommBody(tag.Encode, tag.CommentDesc, text, tag.Legacy);
}

void putFrame(std::string_view id, std::string_view commentId, int sizeBytes, bool flagBytes,
              const Id3v2Tag& tag, std::string_view text, TagBytes& out) {
    std::optional<TagBytes> body = frameBody(id, commentId, tag, text);
    if (!body) return;
    appendText(out, id);
    std::uint8_t previous =
        fncPutSize(static_cast<std::uint32_t>(body->size()), sizeBytes, out, tag.Unsync, 0x00);
    if (flagBytes) {
        previous = putByte(out, 0x00, tag.Unsync, previous);
        previous = putByte(out, 0x00, tag.Unsync, previous);
    }
    for (std::uint8_t byte : *body)
        previous = putByte(out, byte, tag.Unsync, previous);
}

struct FrameText {
    const char* idV23;
    const char* idV22;
    std::string text;
};

}  // namespace

std::uint8_t fncPutSize(std::uint32_t value, int byteCount, TagBytes& out, bool unsync,
                        std::uint8_t previous) {
    for (int i = byteCount - 1; i >= 0; --i) {
        previous = putByte(out, static_cast<std::uint8_t>(value >> (8 * i)), unsync, previous);
    }
    return previous;
}

TagBytes fncTextBody(std::uint8_t encoding, std::string_view text, LegacyText legacy) {
    TagBytes body;
    if (encoding == 1) {
        body.push_back(0x01);
        appendUtf16(body, text);
        body.insert(body.end(), {0x00, 0x00});
    } else {
        body.push_back(0x00);
        appendText(body, encodeLegacy(text, legacy));
        body.push_back(0x00);
    }
    return body;
}

TagBytes fncCommBody(std::uint8_t encoding, std::string_view description, std::string_view comment,
                     LegacyText legacy) {
    const std::string text = crLfToLf(comment);
    TagBytes body;
    body.reserve(10 + 2 * (description.size() + text.size()));
    body.push_back(encoding == 1 ? 0x01 : 0x00);
    body.insert(body.end(), {0x6A, 0x70, 0x6E});  // the language code "jpn"
    if (encoding == 1) {
        appendUtf16(body, description);
        body.insert(body.end(), {0x00, 0x00});
        appendUtf16(body, text);
    } else {
        appendText(body, encodeLegacy(description, legacy));
        body.push_back(0x00);
        appendText(body, encodeLegacy(text, legacy));
    }
    return body;
}

void subPutFrameV23(std::string_view id, const Id3v2Tag& tag, std::string_view text,
                    TagBytes& out) {
    putFrame(id, "COMM", 4, true, tag, text, out);
}

void subPutFrameV22(std::string_view id, const Id3v2Tag& tag, std::string_view text,
                    TagBytes& out) {
    putFrame(id, "COM", 3, false, tag, text, out);
}

namespace {

// A frame kept from the old tag, already in this tag's version: its identifier,
// size (and flags in version 3), then its body, unsynchronised with the tag.
void putKeptFrame(const RawFrame& f, bool v23, bool unsync, TagBytes& out) {
    appendText(out, f.id);
    std::uint8_t previous =
        fncPutSize(static_cast<std::uint32_t>(f.body.size()), v23 ? 4 : 3, out, unsync, 0x00);
    if (v23) {
        previous = putByte(out, f.status, unsync, previous);
        previous = putByte(out, f.format, unsync, previous);
    }
    for (std::uint8_t byte : f.body)
        previous = putByte(out, byte, unsync, previous);
}

}  // namespace

Result<TagBytes> fncID3v2TagBytes(const Id3v2Tag& tag) {
    const bool v23 = tag.Version == 3;
    const FrameText frames[] = {
        {"TALB", "TAL", tag.Album},
        {"TCON", "TCO", tag.Genre},
        {"TIT2", "TT2", tag.Title},
        {"TPE1", "TP1", tag.Artist},
        {"TRCK", "TRK", tag.Track},
        {"TYER", "TYE", numbers::formatNumberText(tag.Year, 4)},
        {"TDAY", "TDA", numbers::formatNumberText(tag.Day, 4)},
        {"COMM", "COM", tag.Comment},
    };

    // A frame too large for its size field would be written with a wrong size.
    if (!v23) {
        for (const FrameText& frame : frames) {
            std::optional<TagBytes> body = frameBody(frame.idV22, "COM", tag, frame.text);
            if (body && body->size() > kMaxFrameV22) {
                return fileops::refusal(
                    EFBIG,
                    std::string("the text of ") + frame.idV22 + " is too long for an ID3v2.2 tag",
                    "build the ID3v2 tag");
            }
        }
    }

    TagBytes out = {'I',
                    'D',
                    '3',
                    tag.Version,
                    tag.Revision,
                    static_cast<std::uint8_t>(tag.Unsync ? 0x80 : 0x00),
                    0,
                    0,
                    0,
                    0};
    // The frames kept from the old tag come first: the writer's comment, last,
    // stays the one the readers show.
    for (const RawFrame& kept : tag.Frames)
        putKeptFrame(kept, v23, tag.Unsync, out);
    for (const FrameText& frame : frames) {
        if (v23) {
            subPutFrameV23(frame.idV23, tag, frame.text, out);
        } else {
            subPutFrameV22(frame.idV22, tag, frame.text, out);
        }
    }

    // An unsynchronised tag must not end in FF: followed by the audio's first
    // byte it would read as the start of an audio frame. One byte of padding
    // goes after it.
    if (tag.Unsync && out.size() > kHeaderSize && out.back() == 0xFF) out.push_back(0x00);

    const std::size_t size = out.size() - kHeaderSize;
    if (size > kMaxTagSize) {
        return fileops::refusal(EFBIG, "the tag is too large for an ID3v2 header",
                                "build the ID3v2 tag");
    }
    for (int i = 0; i < 4; ++i)
        out[6 + i] = static_cast<std::uint8_t>((size >> (7 * (3 - i))) & 0x7F);
    return out;
}

Status subWriteID3v2(const std::string& targetPath, const std::string& sourcePath,
                     std::uint8_t /*newCode*/, std::uint8_t /*oldCode*/, const Id3v2Tag& tag,
                     std::int64_t audioStart) {
    Result<TagBytes> bytes = fncID3v2TagBytes(tag);
    if (!bytes) return bytes.status();
    auto tagThenAudio = [&](const File& target, const File& source, const struct stat& st) {
        return subCopyAudio(target, source, st, audioStart, *bytes);
    };
    if (targetPath != sourcePath) return createFileFrom(targetPath, sourcePath, tagThenAudio);
    return replaceFile(sourcePath, tagThenAudio);
}

}  // namespace tagshelf
