// The legacy code page of tag data, the INI file and the CSV file: Shift-JIS as
// Windows defines it (code page 932), converted through glibc's iconv. Inside the
// program every text is UTF-8 in a std::string; embedded NUL characters are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace tagshelf::codepage {

// True when every byte is ASCII, which CP932 (and ISO-8859-1) read as itself.
// Eight bytes at a time: every text of a tag passes through it.
inline bool isAscii(std::string_view s) {
    const char* p = s.data();
    std::size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL) return false;
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    }
    return true;
}

// CP932 bytes to UTF-8. A byte sequence that is not valid CP932 becomes one "?"
// per offending byte; the conversion never fails and always ends. `replaced`,
// when given, tells whether that happened.
std::string decode(std::string_view bytes, bool* replaced = nullptr);

// UTF-8 to CP932 bytes. A character that CP932 cannot hold (and an invalid UTF-8
// byte) becomes "?".
std::string encode(std::string_view text);

// True when CP932 holds every character of the UTF-8 text, so that encode()
// gives it back without a "?" in place of a character.
bool canEncode(std::string_view text);

// The longest prefix of the CP932 byte string that is at most maxBytes long and
// does not end in the middle of a double-byte character.
std::string_view cutAtCharacter(std::string_view bytes, std::size_t maxBytes);

// True for a CP932 lead byte (the first byte of a double-byte character).
constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string fromUtf16(std::u16string_view units);

// UTF-16 stored as bytes (an odd last byte ignored), big- or little-endian, to
// UTF-8, as fromUtf16 converts the units.
std::string fromUtf16Bytes(std::span<const std::uint8_t> bytes, bool bigEndian);

// UTF-8 to UTF-16 code units; an invalid UTF-8 byte becomes U+FFFD.
std::u16string toUtf16(std::string_view text);

}  // namespace tagshelf::codepage
