// Byte builders for MP3 files (ID3v1 trailers, ID3v2 tags and frames, fake MPEG
// audio) for the tests, the fuzzer's seeds and the benchmarks. Free of the test
// framework; needs zlib and the code page layer.
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

inline Bytes be32(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

// The ID3v2 tag-size form: 28 bits, 7 per byte, most significant first.
inline Bytes syncsafe(std::uint32_t v) {
    return {std::uint8_t((v >> 21) & 0x7F), std::uint8_t((v >> 14) & 0x7F),
            std::uint8_t((v >> 7) & 0x7F), std::uint8_t(v & 0x7F)};
}

inline Bytes sjis(std::string_view utf8) {
    return raw(codepage::encode(utf8));
}

// UTF-8 text as UTF-16 bytes, with or without the byte-order mark.
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

// A 0x00 after every 0xFF followed by 0x00 or 0xE0 and above, and after a final 0xFF.
inline Bytes unsynchronise(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && (i + 1 == data.size() || data[i + 1] == 0 || data[i + 1] >= 0xE0))
            out.push_back(0x00);
    }
    return out;
}

// A text frame body: the encoding byte, the encoded text and its terminator.
inline Bytes textBody(std::uint8_t encoding, const Bytes& text) {
    Bytes out = concat({{encoding}, text});
    out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    return out;
}
inline Bytes sjisText(std::string_view utf8) {
    return textBody(0, sjis(utf8));
}
inline Bytes utf16Text(std::string_view utf8) {
    return textBody(1, utf16(utf8));
}

// A comment frame body: encoding, language, description, terminator, text.
inline Bytes commentBody(std::uint8_t encoding, std::string_view language, const Bytes& description,
                         const Bytes& text, bool textTerminated = false) {
    Bytes out = concat({{encoding}, raw(language.substr(0, 3)), description});
    out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    append(out, text);
    if (textTerminated) out.insert(out.end(), encoding == 1 ? 2 : 1, 0x00);
    return out;
}

// An ID3v2.3 frame's flags, by chaining: FrameOptions().compressed().grouped(7).
struct FrameOptions {
    std::uint8_t statusFlags = 0;
    bool compress = false;                      // zlib, with a declared size (the body's)
    std::optional<std::uint32_t> declaredSize;  // (when not the body's)
    std::optional<std::uint8_t> encryptionMethod, group;

    FrameOptions& compressed(std::optional<std::uint32_t> declared = std::nullopt) {
        return compress = true, declaredSize = declared, *this;
    }
    FrameOptions& encrypted(std::uint8_t method) { return encryptionMethod = method, *this; }
    FrameOptions& grouped(std::uint8_t id) { return group = id, *this; }
};

inline Bytes frameV23(std::string_view id, const Bytes& body, const FrameOptions& o = {}) {
    Bytes extra;
    std::uint8_t format = 0;
    if (o.compress)
        format |= 0x80, extra = be32(o.declaredSize.value_or(std::uint32_t(body.size())));
    if (o.encryptionMethod) format |= 0x40, extra.push_back(*o.encryptionMethod);
    if (o.group) format |= 0x20, extra.push_back(*o.group);
    const Bytes data = o.compress ? zlibCompress(body) : body;
    const auto size = static_cast<std::uint32_t>(extra.size() + data.size());
    return concat({raw(id.substr(0, 4)), be32(size), Bytes{o.statusFlags, format}, extra, data});
}

// An ID3v2.4 frame's flags; the size is synchsafe, or plain as some taggers write it.
struct FrameV24Options {
    std::optional<std::uint8_t> group;
    bool compress = false, unsync = false, dataLength = false, plainSize = false;

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

inline Bytes frameV22(std::string_view id, const Bytes& body) {
    const Bytes size = be32(static_cast<std::uint32_t>(body.size()));  // 24 bits of it
    return concat({raw(id.substr(0, 3)), {size[1], size[2], size[3]}, body});
}

inline Bytes id3v2Header(std::uint8_t version, std::uint8_t revision, std::uint8_t flags,
                         std::uint32_t size) {
    return concat({raw("ID3"), {version, revision, flags}, syncsafe(size)});
}

// The ID3v2.3 extended header: size, flags (CRC bit 7), padding size, CRC.
inline Bytes extendedHeaderV23(std::uint32_t paddingSize, std::optional<std::uint32_t> crc = {}) {
    Bytes out = concat({be32(crc ? 10 : 6), {std::uint8_t(crc ? 0x80 : 0), 0}, be32(paddingSize)});
    if (crc) append(out, be32(*crc));
    return out;
}

// An ID3v2 tag, unsynchronised when asked; its size counts the stored bytes unless set.
class Id3v2Builder {
  public:
    explicit Id3v2Builder(std::uint8_t version = 3) : version_(version) {}

    Id3v2Builder& flags(std::uint8_t f) { return flags_ = f, *this; }
    // Sets the extended-header flag and the bytes that follow the header.
    Id3v2Builder& extendedHeader(const Bytes& bytes) { return flags_ |= 0x40, frame(bytes); }
    Id3v2Builder& frame(const Bytes& frameBytes) { return append(body_, frameBytes), *this; }
    Id3v2Builder& frames(std::initializer_list<Bytes> all) {
        for (const Bytes& f : all)
            frame(f);
        return *this;
    }
    Id3v2Builder& padding(std::size_t zeros) { return body_.resize(body_.size() + zeros), *this; }
    Id3v2Builder& unsync(bool on = true) { return unsync_ = on, *this; }
    Id3v2Builder& sizeField(std::uint32_t size) { return sizeField_ = size, *this; }
    Id3v2Builder& footer() { return footer_ = true, *this; }

    Bytes build() const {
        Bytes stored = unsync_ ? unsynchronise(body_) : body_;
        std::uint8_t flags = flags_ | (unsync_ ? 0x80 : 0) | (footer_ ? 0x10 : 0);
        auto size = sizeField_.value_or(static_cast<std::uint32_t>(stored.size()));
        Bytes out = concat({id3v2Header(version_, 0, flags, size), stored});
        if (footer_) append(out, concat({raw("3DI"), Bytes(out.begin() + 3, out.begin() + 10)}));
        return out;
    }

  private:
    std::uint8_t version_, flags_ = 0;
    bool unsync_ = false, footer_ = false;
    std::optional<std::uint32_t> sizeField_;
    Bytes body_;
};

// ID3v1 fields as stored, cut to their widths; a track makes the ID3v1.1 form.
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

// About `bytes` bytes of 417-byte MPEG-1 Layer III frames of pseudo-random content.
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
