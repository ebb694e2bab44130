#include "core/legacy_text.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "core/codepage.h"

namespace tagshelf {

namespace {

bool isAsciiLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isTrailByte(unsigned char c) {
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// ISO-8859-1 holds the characters up to U+00FF.
bool fitsLatin1(std::string_view text) {
    const std::u16string units = codepage::toUtf16(text);
    return std::all_of(units.begin(), units.end(), [](char16_t u) { return u <= 0xFF; });
}

std::string utf8ToLatin1(std::string_view text) {
    std::string out;
    for (char16_t u : codepage::toUtf16(text))
        out.push_back(u <= 0xFF ? static_cast<char>(u) : '?');
    return out;
}

}  // namespace

LegacyText legacyTextFromName(std::string_view name) {
    if (name == "932") return LegacyText::Cp932;
    if (name == "latin1") return LegacyText::Latin1;
    return LegacyText::Auto;
}

const char* legacyTextName(LegacyText mode) {
    switch (mode) {
        case LegacyText::Cp932:
            return "932";
        case LegacyText::Latin1:
            return "latin1";
        default:
            return "auto";
    }
}

namespace {

// Rule 1 of "auto": a byte that ISO-8859-1 leaves unprinted.
bool hasC1Byte(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 0x80 && b <= 0x9F;
    });
}

// Rules 2 and 3 of "auto", for bytes that rule 1 left undecided: their code page
// 932 reading when "auto" reads them as code page 932, else nothing. Decoding is
// most of the work of deciding, so the decision keeps it.
std::optional<std::string> cp932Reading(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    bool replaced = false;
    std::string decoded = codepage::decode(bytes, &replaced);
    // Not code page 932: a byte it leaves undefined, or a character it doesn't
    // define (the conversion puts "?" in its place).
    if (replaced) return std::nullopt;
    // The runs of non-ASCII characters.
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (byte(i) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        const bool letterBefore = start > 0 && isAsciiLetter(byte(start - 1));
        std::size_t characters = 0;
        bool western = false;
        while (i < bytes.size() && byte(i) >= 0x80) {
            const bool doubleByte =
                codepage::isLeadByte(byte(i)) && i + 1 < bytes.size() && isTrailByte(byte(i + 1));
            // An accented letter read as the lead byte of a character whose second
            // byte is the next letter of the word: "Dépêche", "Frédéric".
            western = western || (doubleByte && letterBefore && isAsciiLetter(byte(i + 1)));
            i += doubleByte ? 2 : 1;
            ++characters;
        }
        const bool letterAfter = i < bytes.size() && isAsciiLetter(byte(i));
        const bool singleByte = i - start == 1;
        if (western || (characters == 1 && (singleByte || letterBefore || letterAfter))) {
            return std::nullopt;
        }
    }
    return decoded;
}

}  // namespace

bool readsAsCp932(std::string_view bytes) {
    return codepage::isAscii(bytes) || hasC1Byte(bytes) || cp932Reading(bytes).has_value();
}

std::string decodeLegacy(std::string_view bytes, LegacyText mode) {
    // ASCII reads the same in both code pages.
    if (codepage::isAscii(bytes)) return std::string(bytes);
    if (mode == LegacyText::Latin1) return latin1ToUtf8(bytes);
    // Most Japanese texts are decided by their first byte or two.
    if (mode == LegacyText::Cp932 || hasC1Byte(bytes)) return codepage::decode(bytes);
    std::optional<std::string> cp932 = cp932Reading(bytes);
    return cp932 ? std::move(*cp932) : latin1ToUtf8(bytes);
}

bool writesLatin1(std::string_view text, LegacyText mode) {
    return mode == LegacyText::Latin1 ||
           (mode == LegacyText::Auto && !codepage::canEncode(text) && fitsLatin1(text));
}

std::string encodeLegacy(std::string_view text, LegacyText mode) {
    return writesLatin1(text, mode) ? utf8ToLatin1(text) : codepage::encode(text);
}

bool canEncodeLegacy(std::string_view text, LegacyText mode) {
    switch (mode) {
        case LegacyText::Cp932:
            return codepage::canEncode(text);
        case LegacyText::Latin1:
            return fitsLatin1(text);
        default:
            return codepage::canEncode(text) || fitsLatin1(text);
    }
}

}  // namespace tagshelf
