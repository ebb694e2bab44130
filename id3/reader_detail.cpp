#include "id3/reader_detail.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "core/codepage.h"
#include "core/text.h"

namespace tagshelf {
namespace {

std::string_view asChars(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool isIgnoredSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// UTF-16 from the index: FF FE marks little-endian and FE FF big-endian text and
// the mark is skipped; without a mark the text is big-endian when
// `bigEndianWithoutMark`, else little-endian. Units are taken up to a 0x0000 unit
// or while two bytes remain; the index moves past the terminator.
std::string utf16Text(const ByteRun& bytes, std::int64_t& index, bool bigEndianWithoutMark) {
    auto twoLeft = [&] { return index >= 1 && index + 1 <= bytes.size; };
    bool bigEndian = bigEndianWithoutMark;
    if (twoLeft()) {
        std::uint8_t b0 = bytes.at(index);
        std::uint8_t b1 = bytes.at(index + 1);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            index += 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
            index += 2;
        }
    }
    if (index < 1) return {};
    // The units among the stored bytes, up to a 0x0000 unit.
    const std::uint8_t* data = bytes.data.data();
    const std::int64_t stored = std::min(bytes.size, static_cast<std::int64_t>(bytes.data.size()));
    const std::int64_t start = index;
    while (index + 1 <= stored && (data[index - 1] | data[index]) != 0)
        index += 2;
    const auto unitBytes = static_cast<std::size_t>(index - start);
    // Past the stored bytes every byte reads as 0: at most one more unit (its
    // first byte stored), then the terminator.
    std::uint8_t partial = 0;
    if (twoLeft()) {
        partial = index + 1 <= stored ? 0 : bytes.at(index);
        index += 2;
        if (partial != 0 && twoLeft()) index += 2;
    }
    if (partial == 0) {
        return unitBytes == 0 ? std::string()
                              : codepage::fromUtf16Bytes({data + start - 1, unitBytes}, bigEndian);
    }
    std::vector<std::uint8_t> units(data + start - 1, data + start - 1 + unitBytes);
    units.push_back(partial);
    units.push_back(0);
    return codepage::fromUtf16Bytes(units, bigEndian);
}

// The bytes of a single-byte text from `index` (1-based): up to the first 0 byte,
// the end of the run, or where the stored bytes end (the bytes after them read
// as 0). `index` moves past the terminator.
std::string_view bytesUpToNul(const ByteRun& bytes, std::int64_t& index) {
    const std::int64_t end = std::min(bytes.size, static_cast<std::int64_t>(bytes.data.size()));
    std::string_view text;
    std::int64_t stop = index;
    if (index >= 1 && index <= end) {
        const auto* first = bytes.data.data() + (index - 1);
        const auto length = static_cast<std::size_t>(end - index + 1);
        const void* nul = std::memchr(first, 0, length);
        const std::size_t taken =
            nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - first) : length;
        text = asChars({first, taken});
        stop = index + static_cast<std::int64_t>(taken);
    }
    index = stop + 1;
    return text;
}

}  // namespace

std::string fncGetString(std::span<const std::uint8_t> file, std::int64_t position,
                         std::int64_t length, bool stopAtNul, LegacyText legacy) {
    if (length <= 0) return {};
    const auto fileSize = static_cast<std::int64_t>(file.size());
    if (stopAtNul && position >= 1) {
        // Up to the first NUL; past the buffer every byte is one.
        if (position > fileSize) return {};
        const auto* first = reinterpret_cast<const char*>(file.data()) + (position - 1);
        std::string_view field(first,
                               static_cast<std::size_t>(std::min(length, fileSize - position + 1)));
        field = field.substr(0, std::min(field.find('\0'), field.size()));
        return decodeLegacy(field, legacy);
    }
    if (!stopAtNul && position >= 1 && length <= fileSize - position + 1) {
        // Exactly `length` bytes, all inside the buffer.
        return decodeLegacy(asChars(file.subspan(static_cast<std::size_t>(position - 1),
                                                 static_cast<std::size_t>(length))),
                            legacy);
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<std::int64_t>(length, 256)));
    for (std::int64_t p = position; p < position + length; ++p) {
        std::uint8_t b = p >= 1 && p <= fileSize ? file[static_cast<std::size_t>(p - 1)] : 0;
        if (b == 0 && stopAtNul) break;
        bytes.push_back(static_cast<char>(b));
    }
    return decodeLegacy(bytes, legacy);
}

ByteRun fncGetUnsyncBytes(std::span<const std::uint8_t> file, std::int64_t& position,
                          std::int64_t count, std::vector<std::uint8_t>& scratch) {
    const std::size_t start = static_cast<std::size_t>(position - 1);

    // Deliver bytes until `count` are delivered or the buffer ends. Until the first
    // dropped zero the delivered bytes are a plain slice of the buffer; from then on
    // they are copied into the scratch vector.
    std::size_t i = start;
    const std::size_t n = file.size();
    std::int64_t delivered = 0;
    bool copying = false;
    while (delivered < count && i < n) {
        std::uint8_t b = file[i++];
        ++delivered;
        if (copying) scratch.push_back(b);
        if (b == 0xFF && (i >= n || file[i] == 0)) {
            if (!copying) {
                scratch.assign(file.begin() + static_cast<std::ptrdiff_t>(start),
                               file.begin() + static_cast<std::ptrdiff_t>(i));
                copying = true;
            }
            ++i;  // the dropped zero (past the end it reads as 0 as well)
        }
    }
    // Whatever is still owed lies beyond the buffer: zeros, one position each.
    position = static_cast<std::int64_t>(i) + 1 + (count - delivered);
    if (copying) return {scratch, count};
    return {file.subspan(start, static_cast<std::size_t>(delivered)), count};
}

ByteRun fncCutBytes(const ByteRun& bytes, std::int64_t& index, std::int64_t count) {
    if (count <= 0 || index < 1 || index > bytes.size) return {};
    std::int64_t taken = std::min(count, bytes.size - index + 1);
    const auto dataSize = static_cast<std::int64_t>(bytes.data.size());
    ByteRun run;
    run.size = taken;
    if (index <= dataSize) {
        run.data =
            bytes.data.subspan(static_cast<std::size_t>(index - 1),
                               static_cast<std::size_t>(std::min(taken, dataSize - index + 1)));
    }
    index += taken;
    return run;
}

std::string fncGetText(const ByteRun& bytes, std::int64_t& index, std::uint8_t encoding,
                       LegacyText legacy) {
    if (encoding == 0xFF) {
        encoding = bytes.at(index);
        index += 1;
    }
    if (encoding == 0) return decodeLegacy(bytesUpToNul(bytes, index), legacy);
    if (encoding == 1) return utf16Text(bytes, index, false);
    return {};
}

std::string fncGetTextV24(const ByteRun& bytes, std::int64_t& index, std::uint8_t encoding,
                          LegacyText legacy) {
    if (encoding == 2) return utf16Text(bytes, index, true);
    if (encoding != 3) return fncGetText(bytes, index, encoding, legacy);
    // UTF-8 up to a 0 byte, the way encoding 0 is cut; bytes that are not UTF-8
    // become U+FFFD.
    const std::string_view text = bytesUpToNul(bytes, index);
    if (isValidUtf8(text)) return std::string(text);
    return codepage::fromUtf16(codepage::toUtf16(text));
}

bool fncUncompress(std::span<const std::uint8_t> compressed, std::int64_t declaredSize,
                   std::vector<std::uint8_t>& out) {
    if (declaredSize <= 0 || declaredSize > kMaxInflatedSize || compressed.empty()) return false;
    // A declared size beyond what the data could possibly inflate to costs nothing:
    // the buffer stops at the deflate limit, which zlib cannot exceed.
    const auto limit = static_cast<std::int64_t>(compressed.size()) * kMaxDeflateRatio;
    out.resize(static_cast<std::size_t>(std::min(declaredSize, limit)));
    uLongf length = static_cast<uLongf>(out.size());
    int rc =
        uncompress(out.data(), &length, compressed.data(), static_cast<uLong>(compressed.size()));
    if (rc != Z_OK) return false;
    out.resize(length);
    return true;
}

std::string leadingNumeral(std::string_view text) {
    // Digits alone, without a leading zero, are their own numeral ("2004").
    if (!text.empty() && text[0] != '0' &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::string(text);
    }
    std::size_t i = 0;
    auto skipSpaces = [&] {
        while (i < text.size() && isIgnoredSpace(text[i]))
            ++i;
    };
    skipSpaces();
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string whole;
    std::string fraction;
    bool inFraction = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (isIgnoredSpace(c)) continue;
        if (c >= '0' && c <= '9') {
            (inFraction ? fraction : whole).push_back(c);
        } else if (c == '.' && !inFraction) {
            inFraction = true;
        } else {
            break;
        }
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    fraction.erase(fraction.find_last_not_of('0') + 1);
    std::string numeral;
    if (negative && !(whole.empty() && fraction.empty())) numeral.push_back('-');
    numeral += whole.empty() ? "0" : whole;
    if (!fraction.empty()) numeral += "." + fraction;
    return numeral;
}

std::string monthDayFromDayMonth(std::string_view text) {
    std::string f = leadingNumeral(text);
    if (f.size() < 4) f.insert(0, 4 - f.size(), '0');
    std::string swapped = f.substr(f.size() - 2) + f.substr(0, 2);
    std::string value = leadingNumeral(swapped);
    value.erase(std::min(value.find('.'), value.size()));
    return value == "-0" ? "0" : value;
}

}  // namespace tagshelf
