#include "core/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace tagshelf::codepage {
namespace {

// One pair of conversion descriptors per thread: iconv_t is not thread-safe and
// opening one costs far more than a short conversion.
struct Converters {
    iconv_t toUtf8 = iconv_open("UTF-8", "CP932");
    iconv_t fromUtf8 = iconv_open("CP932", "UTF-8");
    ~Converters() {
        if (toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8);
        if (fromUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUtf8);
    }
};

Converters& converters() {
    thread_local Converters c;
    return c;
}

std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// Runs iconv over the whole input. On a sequence it can't convert, appends "?",
// skips `skip(in)` bytes and goes on (and sets *replaced); the reset call clears
// any shift state.
template <typename Skip>
std::string convert(iconv_t cd, std::string_view input, Skip skip, bool* replaced = nullptr) {
    std::string out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter every non-ASCII byte is unreadable.
        for (unsigned char c : input)
            out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        if (replaced) *replaced = !isAscii(input);
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(input.size() * 3 / 2 + 8);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ (invalid or unrepresentable) or EINVAL (cut short at the end).
        out.push_back('?');
        if (replaced) *replaced = true;
        std::size_t n = std::min(inLeft, skip(static_cast<unsigned char>(*in)));
        in += n;
        inLeft -= n;
    }
    return out;
}

// What iconv makes of one character of code page 932, remembered per thread: tag
// texts repeat few characters, and a call of iconv costs more than the rest of a
// short conversion. An entry is 0 (not asked yet), one of the marks below, or the
// character's UTF-8 bytes (at most three) with their count in the top byte.
constexpr std::uint32_t kUnreadable = 0xFF000000;  // "?", and the next byte starts afresh
constexpr std::uint32_t kIncomplete = 0xFE000000;  // needs a byte after it
constexpr std::uint32_t kIrregular = 0xFD000000;   // anything else: iconv takes the text

std::uint32_t askIconv(const char* bytes, std::size_t length) {
    const iconv_t cd = converters().toUtf8;
    if (cd == reinterpret_cast<iconv_t>(-1)) return kIrregular;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char out[8];
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const auto produced = static_cast<std::size_t>(outPtr - out);
    if (r == static_cast<std::size_t>(-1) && inLeft == length && produced == 0) {
        if (errno == EILSEQ) return kUnreadable;
        if (errno == EINVAL) return kIncomplete;
    }
    if (r == static_cast<std::size_t>(-1) || inLeft != 0 || produced == 0 || produced > 3)
        return kIrregular;
    std::uint32_t entry = static_cast<std::uint32_t>(produced) << 24;
    for (std::size_t i = 0; i < produced; ++i)
        entry |= static_cast<std::uint32_t>(static_cast<unsigned char>(out[i])) << (16 - 8 * i);
    return entry;
}

// The entries of single bytes and of double-byte characters (lead byte, then
// trail byte), one set per thread like the converters.
struct DecodeTable {
    std::vector<std::uint32_t> singles = std::vector<std::uint32_t>(0x100, 0);
    std::vector<std::uint32_t> pairs = std::vector<std::uint32_t>(0x10000, 0);
};

}  // namespace

namespace {

// Where a conversion writes a text of at most `bound` bytes: a buffer on the
// stack when that is large enough, else a string of the bound's length. The
// text is then made a string of its exact length, so that a short one stays
// inside the string object (no allocation); a string sized to the bound would
// allocate for most tag texts, the bound being three times their length.
class Output {
  public:
    explicit Output(std::size_t bound) {
        if (bound > sizeof stack_) heap_.resize(bound);
    }
    char* data() { return heap_.empty() ? stack_ : heap_.data(); }
    std::string take(const char* end) && {
        if (heap_.empty()) return std::string(stack_, static_cast<std::size_t>(end - stack_));
        heap_.resize(static_cast<std::size_t>(end - heap_.data()));
        return std::move(heap_);
    }

  private:
    char stack_[768];
    std::string heap_;
};

}  // namespace

std::string decode(std::string_view bytes, bool* replaced) {
    bool ignored = false;
    if (!replaced) replaced = &ignored;
    *replaced = false;
    if (isAscii(bytes)) return std::string(bytes);
    thread_local DecodeTable table;
    // A byte becomes at most three bytes of UTF-8 (a half-width katakana).
    Output out(bytes.size() * 3);
    char* o = out.data();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    std::uint32_t* const pairs = table.pairs.data();
    std::uint32_t* const singles = table.singles.data();
    while (i < n) {
        const unsigned int c = b[i];
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
            ++i;
            continue;
        }
        const bool pair = isLeadByte(static_cast<unsigned char>(c)) && i + 1 < n;
        std::uint32_t& entry = pair ? pairs[(c << 8) | b[i + 1]] : singles[c];
        if (entry == 0) entry = askIconv(bytes.data() + i, pair ? 2 : 1);
        const std::uint32_t length = entry >> 24;
        if (length - 1 < 3) {
            // A character of one to three UTF-8 bytes. All three are stored (the
            // output has room), the count kept.
            o[0] = static_cast<char>((entry >> 16) & 0xFF);
            o[1] = static_cast<char>((entry >> 8) & 0xFF);
            o[2] = static_cast<char>(entry & 0xFF);
            o += length;
            i += pair ? 2 : 1;
        } else if (entry == kUnreadable || (entry == kIncomplete && i + 1 == n)) {
            *o++ = '?';
            *replaced = true;
            ++i;
        } else {
            // kIncomplete before the end, or kIrregular.
            *replaced = false;
            return convert(
                converters().toUtf8, bytes, [](unsigned char) { return std::size_t{1}; }, replaced);
        }
    }
    return std::move(out).take(o);
}

namespace {

std::string encodeByIconv(std::string_view text) {
    return convert(converters().fromUtf8, text,
                   [](unsigned char lead) { return utf8SequenceLength(lead); });
}

// The character of a well-formed two- or three-byte UTF-8 sequence at the start
// of `s` (no surrogates, no overlong forms), or 0.
char32_t bmpCharacter(std::string_view s) {
    const auto b = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto follows = [&](std::size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
    if (b(0) >= 0xC2 && b(0) <= 0xDF && follows(1)) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if ((b(0) & 0xF0) != 0xE0 || !follows(1) || !follows(2)) return 0;
    const char32_t c = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return c < 0x800 || (c >= 0xD800 && c <= 0xDFFF) ? 0 : c;
}

// What iconv makes of one character, remembered per thread (a long text repeats
// few characters, and a call of iconv per character costs more than the rest of
// the conversion): 0 not asked yet, 1 not representable, 2 ask again, 0x1XX the
// single byte XX, else the lead byte and the trail byte.
std::uint16_t cp932Of(char32_t c, std::string_view utf8) {
    thread_local std::vector<std::uint16_t> known(0x10000, 0);
    std::uint16_t& entry = known[c];
    if (entry == 0) {
        const std::string bytes = encodeByIconv(utf8);
        const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
        if (bytes == "?") {
            entry = 1;
        } else if (bytes.size() == 1) {
            entry = static_cast<std::uint16_t>(0x100 | byte(0));
        } else if (bytes.size() == 2 && byte(0) >= 0x81) {
            entry = static_cast<std::uint16_t>((byte(0) << 8) | byte(1));
        } else {
            entry = 2;
        }
    }
    return entry;
}

}  // namespace

std::string encode(std::string_view text) {
    if (isAscii(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        const std::size_t length = std::min(text.size() - i, utf8SequenceLength(lead));
        const std::string_view sequence = text.substr(i, length);
        const char32_t c = bmpCharacter(sequence);
        const std::uint16_t bytes = c ? cp932Of(c, sequence) : 2;
        if (bytes == 1) {
            out.push_back('?');
        } else if (bytes == 2) {
            out += encodeByIconv(sequence);  // malformed, beyond the BMP, or unusual
        } else if (bytes < 0x200) {
            out.push_back(static_cast<char>(bytes & 0xFF));
        } else {
            out.push_back(static_cast<char>(bytes >> 8));
            out.push_back(static_cast<char>(bytes & 0xFF));
        }
        i += length;
    }
    return out;
}

bool canEncode(std::string_view text) {
    if (isAscii(text)) return true;
    bool replaced = false;
    (void)convert(
        converters().fromUtf8, text, [](unsigned char lead) { return utf8SequenceLength(lead); },
        &replaced);
    return !replaced;
}

std::string_view cutAtCharacter(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() <= maxBytes) return bytes;
    std::size_t i = 0;
    while (i < maxBytes) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + width > maxBytes) break;
        i += width;
    }
    return bytes.substr(0, i);
}

namespace {

// `count` UTF-16 code units, the i-th given by unit(i), to UTF-8; an unpaired
// surrogate becomes U+FFFD.
template <typename Unit>
std::string utf8FromUnits(std::size_t count, Unit unit) {
    // A unit becomes at most three bytes of UTF-8; a surrogate pair, four for two.
    Output out(count * 3);
    char* o = out.data();
    auto put3 = [&o](char32_t cp) {
        o[0] = static_cast<char>(0xE0 | (cp >> 12));
        o[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        o[2] = static_cast<char>(0x80 | (cp & 0x3F));
        o += 3;
    };
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t u = unit(i);
        if (u < 0x80) {
            *o++ = static_cast<char>(u);
        } else if (u < 0x800) {
            o[0] = static_cast<char>(0xC0 | (u >> 6));
            o[1] = static_cast<char>(0x80 | (u & 0x3F));
            o += 2;
        } else if (u < 0xD800 || u > 0xDFFF) {
            put3(u);
        } else if (const char32_t next = i + 1 < count ? unit(i + 1) : 0;
                   u <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00);
            o[0] = static_cast<char>(0xF0 | (cp >> 18));
            o[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            o[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            o[3] = static_cast<char>(0x80 | (cp & 0x3F));
            o += 4;
            ++i;
        } else {
            put3(0xFFFD);  // an unpaired surrogate
        }
    }
    return std::move(out).take(o);
}

}  // namespace

std::string fromUtf16(std::u16string_view units) {
    return utf8FromUnits(units.size(), [units](std::size_t i) { return units[i]; });
}

std::string fromUtf16Bytes(std::span<const std::uint8_t> bytes, bool bigEndian) {
    const std::uint8_t* b = bytes.data();
    if (bigEndian) {
        return utf8FromUnits(bytes.size() / 2, [b](std::size_t i) {
            return char16_t((b[2 * i] << 8) | b[2 * i + 1]);
        });
    }
    return utf8FromUnits(bytes.size() / 2,
                         [b](std::size_t i) { return char16_t((b[2 * i + 1] << 8) | b[2 * i]); });
}

std::u16string toUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t len = utf8SequenceLength(lead);
        char32_t cp = 0xFFFD;
        bool valid = len == 1 ? lead < 0x80 : i + len <= text.size();
        if (valid && len > 1) {
            cp = lead & (0xFF >> (len + 1));
            for (std::size_t k = 1; k < len; ++k) {
                unsigned char c = static_cast<unsigned char>(text[i + k]);
                if ((c & 0xC0) != 0x80) {
                    valid = false;
                    break;
                }
                cp = (cp << 6) | (c & 0x3F);
            }
            static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
            if (valid && (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
                valid = false;
        } else if (valid) {
            cp = lead;
        }
        if (!valid) {
            out.push_back(0xFFFD);
            i += 1;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

}  // namespace tagshelf::codepage
