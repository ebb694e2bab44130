// Byte builders for MP3 files: ID3v1/ID3v1.1 trailers, ID3v2.2/2.3/2.4 headers and
// frames (flags, zlib compression, extended header, unsynchronisation) and fake
// MPEG audio. The tests, the fuzzer's seed writer and the benchmarks build their
// files with these, every field spelled out rather than kept as sample files.
// Header-only and free of the test framework; needs zlib and the code page layer.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/codepage.h"

namespace tagshelf::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes raw(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

inline void append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        append(out, p);
    return out;
}

// Big-endian, 8 bits per byte.
inline Bytes be32(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}
inline Bytes be24(std::uint32_t v) {
    return {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

// The ID3v2 tag-size form: 28 bits, 7 per byte, most significant first.
inline Bytes syncsafe(std::uint32_t v) {
    return {std::uint8_t((v >> 21) & 0x7F), std::uint8_t((v >> 14) & 0x7F),
            std::uint8_t((v >> 7) & 0x7F), std::uint8_t(v & 0x7F)};
}

// UTF-8 text as code page 932 bytes (Shift-JIS).
inline Bytes sjis(std::string_view utf8) {
    return raw(codepage::encode(utf8));
}

// UTF-8 text as UTF-16 bytes, little- or big-endian, with or without the mark
// (FF FE for little-endian, FE FF for big-endian).
inline Bytes utf16(std::string_view utf8, bool bigEndian = false, bool withMark = true) {
    Bytes out;
    if (withMark) out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (char16_t u : codepage::toUtf16(utf8)) {
        const auto hi = std::uint8_t(u >> 8), lo = std::uint8_t(u & 0xFF);
        append(out, bigEndian ? Bytes{hi, lo} : Bytes{lo, hi});
    }
    return out;
}

inline Bytes zlibCompress(const Bytes& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    if (compress(out.data(), &length, data.data(), static_cast<uLong>(data.size())) != Z_OK)
        throw std::runtime_error("zlib compress failed");
    out.resize(length);
    return out;
}

// The ID3v2 unsynchronisation scheme: a 0x00 goes after every 0xFF that is
// followed by 0x00 or by a byte of 0xE0 and above, and after a final 0xFF.
inline Bytes unsynchronise(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && (i + 1 == data.size() || data[i + 1] == 0 || data[i + 1] >= 0xE0))
            out.push_back(0x00);
    }
    return out;
}

// A text frame body: the encoding byte, the text bytes as given (already encoded,
// with their mark for encoding 1), and a terminator of the encoding's width.
inline Bytes textBody(std::uint8_t encoding, const Bytes& text, bool terminated = true) {
    Bytes out = concat({{encoding}, text});
    if (terminated) out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    return out;
}

// Shift-JIS text in encoding 0; UTF-16 little-endian with FF FE in encoding 1.
inline Bytes sjisText(std::string_view utf8, bool terminated = true) {
    return textBody(0, sjis(utf8), terminated);
}
inline Bytes utf16Text(std::string_view utf8, bool terminated = true) {
    return textBody(1, utf16(utf8), terminated);
}

// A comment frame body: encoding, language, description (encoded) and its
// terminator, then the text (encoded) with no terminator unless asked.
inline Bytes commentBody(std::uint8_t encoding, std::string_view language, const Bytes& description,
                         const Bytes& text, bool textTerminated = false) {
    Bytes out = concat({{encoding}, raw(language.substr(0, 3)), description});
    out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    append(out, text);
    if (textTerminated) out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    return out;
}

// What goes between an ID3v2.3 frame's ID and its content, set by chaining:
// FrameOptions().compressed().grouped(7).
struct FrameOptions {
    std::uint8_t statusFlags = 0;  // the first flag byte (0x80: discard when altered)
    bool compress = false;         // zlib-compress the body and set format bit 7
    // The decompressed size written for a compressed frame; default: the body's size.
    std::optional<std::uint32_t> declaredSize;
    std::optional<std::uint8_t> encryptionMethod;  // format bit 6 and its method byte
    std::optional<std::uint8_t> group;             // format bit 5 and its group byte

    FrameOptions& compressed(std::optional<std::uint32_t> declared = std::nullopt) {
        return compress = true, declaredSize = declared, *this;
    }
    FrameOptions& encrypted(std::uint8_t method) { return encryptionMethod = method, *this; }
    FrameOptions& grouped(std::uint8_t id) { return group = id, *this; }
};

inline Bytes frameV23(std::string_view id, const Bytes& body, const FrameOptions& o = {}) {
    Bytes extra;
    std::uint8_t format = 0;
    if (o.compress) {
        format |= 0x80;
        extra = be32(o.declaredSize.value_or(static_cast<std::uint32_t>(body.size())));
    }
    if (o.encryptionMethod) format |= 0x40, extra.push_back(*o.encryptionMethod);
    if (o.group) format |= 0x20, extra.push_back(*o.group);
    const Bytes data = o.compress ? zlibCompress(body) : body;
    Bytes out = raw(id.substr(0, 4));
    out.resize(4, 0x00);
    return concat({out,
                   be32(static_cast<std::uint32_t>(extra.size() + data.size())),
                   {o.statusFlags, format},
                   extra,
                   data});
}

// An ID3v2.4 frame: a synchsafe size (or a plain one, as some taggers write it)
// and the version-4 format flags: group byte, compression (with the data length
// indicator it needs), unsynchronisation of the frame, data length indicator.
struct FrameV24Options {
    std::optional<std::uint8_t> group;
    bool compress = false;
    bool unsync = false;
    bool dataLength = false;
    bool plainSize = false;

    FrameV24Options& grouped(std::uint8_t g) { return group = g, *this; }
    FrameV24Options& compressed() { return compress = true, *this; }
    FrameV24Options& unsynchronised() { return unsync = true, *this; }
    FrameV24Options& withDataLength() { return dataLength = true, *this; }
    FrameV24Options& plain() { return plainSize = true, *this; }
};

inline Bytes frameV24(std::string_view id, const Bytes& body, const FrameV24Options& o = {}) {
    Bytes data = o.compress ? zlibCompress(body) : body;
    if (o.unsync) data = unsynchronise(data);
    Bytes extra;
    std::uint8_t format = (o.compress ? 0x08 : 0) | (o.unsync ? 0x02 : 0);
    if (o.group) format |= 0x40, extra.push_back(*o.group);
    if (o.dataLength || o.compress)
        format |= 0x01, append(extra, syncsafe(static_cast<std::uint32_t>(body.size())));
    const auto size = static_cast<std::uint32_t>(extra.size() + data.size());
    return concat({raw(id.substr(0, 4)), o.plainSize ? be32(size) : syncsafe(size),
                   Bytes{0x00, format}, extra, data});
}

inline Bytes frameV22(std::string_view id, const Bytes& body,
                      std::optional<std::uint32_t> sizeField = std::nullopt) {
    Bytes out = raw(id.substr(0, 3));
    out.resize(3, 0x00);
    return concat({out, be24(sizeField.value_or(static_cast<std::uint32_t>(body.size()))), body});
}

inline Bytes id3v2Header(std::uint8_t version, std::uint8_t revision, std::uint8_t flags,
                         std::uint32_t size) {
    return concat({raw("ID3"), {version, revision, flags}, syncsafe(size)});
}

// The ID3v2.3 extended header: its size (6, or 10 with a CRC), two flag bytes
// (CRC bit 7 of the first), the padding size and the CRC, all big-endian with 8
// bits per byte. `flags2` fills the second flag byte.
inline Bytes extendedHeaderV23(std::uint32_t paddingSize, std::optional<std::uint32_t> crc = {},
                               std::uint8_t flags2 = 0) {
    Bytes out =
        concat({be32(crc ? 10 : 6), {std::uint8_t(crc ? 0x80 : 0), flags2}, be32(paddingSize)});
    if (crc) append(out, be32(*crc));
    return out;
}

// An ID3v2 tag: header, optional extended header, frames, padding. With
// unsynchronisation everything after the header is unsynchronised and the flag set;
// the tag size counts the bytes as stored unless overridden.
class Id3v2Builder {
  public:
    explicit Id3v2Builder(std::uint8_t version = 3, std::uint8_t revision = 0)
        : version_(version), revision_(revision) {}

    Id3v2Builder& flags(std::uint8_t f) { return flags_ = f, *this; }
    // Sets the extended-header flag and the bytes that follow the header.
    Id3v2Builder& extendedHeader(const Bytes& bytes) { return flags_ |= 0x40, frame(bytes); }
    Id3v2Builder& frame(const Bytes& frameBytes) { return append(body_, frameBytes), *this; }
    Id3v2Builder& padding(std::size_t zeros) { return body_.resize(body_.size() + zeros), *this; }
    Id3v2Builder& unsync(bool on = true) { return unsync_ = on, *this; }
    Id3v2Builder& sizeField(std::uint32_t size) { return sizeField_ = size, *this; }
    // ID3v2.4: a footer ("3DI" and the header's fields) after the tag.
    Id3v2Builder& footer() { return footer_ = true, *this; }

    Bytes build() const {
        Bytes stored = unsync_ ? unsynchronise(body_) : body_;
        std::uint8_t flags = flags_ | (unsync_ ? 0x80 : 0) | (footer_ ? 0x10 : 0);
        auto size = sizeField_.value_or(static_cast<std::uint32_t>(stored.size()));
        Bytes out = concat({id3v2Header(version_, revision_, flags, size), stored});
        if (footer_) append(out, concat({raw("3DI"), Bytes(out.begin() + 3, out.begin() + 10)}));
        return out;
    }

  private:
    std::uint8_t version_, revision_, flags_ = 0;
    bool unsync_ = false, footer_ = false;
    std::optional<std::uint32_t> sizeField_;
    Bytes body_;
};

// ID3v1 field bytes as stored (already encoded); each is cut to its width and
// filled with zeros. With a track the comment is cut to 28 bytes, offset 125
// holds 0 and offset 126 the track (the ID3v1.1 form).
struct Id3v1Fields {
    Bytes title, artist, album, year, comment;
    std::optional<std::uint8_t> track;
    std::uint8_t genre = 0xFF;
};

inline Bytes id3v1Trailer(const Id3v1Fields& f) {
    Bytes out(128, 0x00);
    auto put = [&out](std::size_t offset, const Bytes& field, std::size_t width) {
        std::copy_n(field.begin(), std::min(width, field.size()), out.begin() + offset);
    };
    put(0, raw("TAG"), 3);
    put(3, f.title, 30);
    put(33, f.artist, 30);
    put(63, f.album, 30);
    put(93, f.year, 4);
    put(97, f.comment, f.track ? 28 : 30);
    if (f.track) out[126] = *f.track;
    out[127] = f.genre;
    return out;
}

// About `bytes` bytes of MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz: 417 bytes
// each, header FF FB 90 64) with pseudo-random content drawn from `seed`.
inline Bytes fakeAudio(std::size_t bytes, std::uint32_t seed = 1) {
    Bytes out;
    std::uint32_t x = seed ? seed : 1;
    while (out.size() < bytes) {
        append(out, {0xFF, 0xFB, 0x90, 0x64});
        for (std::size_t i = 4; i < 417; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            out.push_back(static_cast<std::uint8_t>(x));
        }
    }
    return out;
}

}  // namespace tagshelf::test
