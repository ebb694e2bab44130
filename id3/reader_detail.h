// The building blocks of the tag readers, over bytes already in memory. The
// readers of id3/reader.h are made of these; they are declared here so that the
// tests can reach each one on its own.
//
// Positions and indexes are 1-based (1 is the first byte of the buffer), as in the
// tag layouts. A byte outside the buffer reads as 0; nothing here ever reads or
// allocates beyond the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/legacy_text.h"

namespace tagshelf {

// A run of bytes taken from a tag. `size` is how many bytes were taken; `data`
// holds those of them that lie inside the buffer, the rest (bytes beyond the end
// of the tag) read as 0. A frame that declares a corrupt size therefore costs no
// memory: its missing bytes are never stored.
struct ByteRun {
    std::span<const std::uint8_t> data;
    std::int64_t size = 0;

    // The byte at a 1-based index: 0 outside data.
    std::uint8_t at(std::int64_t index) const {
        return index >= 1 && index <= static_cast<std::int64_t>(data.size())
                   ? data[static_cast<std::size_t>(index - 1)]
                   : std::uint8_t{0};
    }
};

// The largest declared size a compressed frame may have: no text or comment
// frame comes near it, and it bounds the memory a corrupt size can claim.
inline constexpr std::int64_t kMaxInflatedSize = 16 * 1024 * 1024;

// The most a deflate stream can expand its input (258 bytes from each 2-bit
// code, a little over 1032:1); the output buffer never needs to be larger.
inline constexpr std::int64_t kMaxDeflateRatio = 1032;

// `length` bytes from the 1-based position, decoded with code page 932. With
// stopAtNul the field ends before its first NUL byte; without it exactly `length`
// bytes are taken, NULs included. The position is not changed.
std::string fncGetString(std::span<const std::uint8_t> file, std::int64_t position,
                         std::int64_t length, bool stopAtNul,
                         LegacyText legacy = LegacyText::Cp932);

// The unsynchronised case of fncGetBytes below, from a position inside `file`.
ByteRun fncGetUnsyncBytes(std::span<const std::uint8_t> file, std::int64_t& position,
                          std::int64_t count, std::vector<std::uint8_t>& scratch);

// `count` bytes from the 1-based position, which moves past every byte consumed.
// With `unsync`, a 0x00 directly after a delivered 0xFF is dropped (consumed
// without being delivered), also after the last byte asked for. A negative count
// takes nothing. The result points into `file` when no byte had to be dropped,
// else into `scratch`, which it then owns until the next call with that vector.
// Inline, as it runs for every frame of a tag.
inline ByteRun fncGetBytes(std::span<const std::uint8_t> file, std::int64_t& position,
                           std::int64_t count, bool unsync, std::vector<std::uint8_t>& scratch) {
    if (count <= 0) return {};
    const auto fileSize = static_cast<std::int64_t>(file.size());
    if (position < 1 || position > fileSize) {
        // Wholly outside the buffer: count zeros, none of them a 0xFF.
        position += count;
        return {{}, count};
    }
    if (unsync) return fncGetUnsyncBytes(file, position, count, scratch);
    const auto start = static_cast<std::size_t>(position - 1);
    const auto inside = static_cast<std::size_t>(std::min(count, fileSize - (position - 1)));
    position += count;
    return {file.subspan(start, inside), count};
}

// One byte by the rule of fncGetBytes.
inline std::uint8_t fncGetByte(std::span<const std::uint8_t> file, std::int64_t& position,
                               bool unsync) {
    const auto size = static_cast<std::int64_t>(file.size());
    auto byteAt = [&](std::int64_t p) -> std::uint8_t {
        return p >= 1 && p <= size ? file[static_cast<std::size_t>(p - 1)] : std::uint8_t{0};
    };
    const std::uint8_t b = byteAt(position);
    position += (unsync && b == 0xFF && byteAt(position + 1) == 0) ? 2 : 1;
    return b;
}

// True when bit `bit` (0 = least significant) of `value` is set.
constexpr bool fncBitCheck(std::uint8_t value, int bit) {
    return ((value >> bit) & 1U) != 0;
}

// The next `count` bytes from the 1-based index; the index advances by the number
// of bytes taken, which is fewer when the run ends first.
ByteRun fncCutBytes(const ByteRun& bytes, std::int64_t& index, std::int64_t count);

// A text from the 1-based index; the index moves past what was read.
//  - encoding 0xFF: the byte at the index is the encoding (the index moves by 1);
//  - encoding 0: code page 932 bytes up to a 0 byte or the end of the run; the
//    index moves one past the terminator (also when there was none);
//  - encoding 1: UTF-16. FF FE marks little-endian and FE FF big-endian text and
//    the mark is skipped; without a mark the text is little-endian and starts at
//    the index. Units are taken up to a 0x0000 unit or while two bytes remain; the
//    index moves past the terminator (or past the last unit);
//  - any other encoding: empty, and the index does not move.
std::string fncGetText(const ByteRun& bytes, std::int64_t& index, std::uint8_t encoding,
                       LegacyText legacy = LegacyText::Cp932);

// A text of an ID3v2.4 frame: encodings 0 and 1 as fncGetText reads them, 2 as
// UTF-16 big-endian (a byte-order mark there anyway is obeyed), 3 as UTF-8 up to a
// 0 byte (bytes that are not UTF-8 become U+FFFD); any other encoding is empty and
// the index does not move.
std::string fncGetTextV24(const ByteRun& bytes, std::int64_t& index, std::uint8_t encoding,
                          LegacyText legacy = LegacyText::Cp932);

// Inflates a compressed frame's content with zlib's uncompress into `out`. False,
// and the frame is to be skipped, when it cannot be inflated: a declared size of 0
// or above kMaxInflatedSize, no content, or any zlib error (corrupt or cut-short
// data, or data that inflates beyond the declared size).
bool fncUncompress(std::span<const std::uint8_t> compressed, std::int64_t declaredSize,
                   std::vector<std::uint8_t>& out);

// The year rule: the decimal numeral of the text's leading number. Spaces, tabs
// and line feeds are ignored wherever they stand; an optional sign, digits and a
// decimal fraction make the number, which ends at the first other character; no
// number gives "0". "1999-12-25" gives "1999", "12.50" gives "12.5", "03" gives "3".
std::string leadingNumeral(std::string_view text);

// The day rule: the text's leading numeral, left-padded with zeros to 4
// characters, with its last two characters put before its first two, as an
// integer: "2512" (day, month) gives "1225", "0105" gives "501". A sign or fraction
// left in the result is resolved as the year rule reads it, and the fraction dropped.
std::string monthDayFromDayMonth(std::string_view text);

}  // namespace tagshelf
