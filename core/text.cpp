#include "core/text.h"

#include "core/codepage.h"

namespace tagshelf {

std::string fncCleanText(std::optional<std::string_view> value) {
    if (!value) return {};
    std::string result;
    result.reserve(value->size());
    for (char c : *value) {
        if (c == '\0') break;
        if (c == '\r' || c == '\n') continue;
        result.push_back(c);
    }
    std::size_t first = result.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    std::size_t last = result.find_last_not_of(' ');
    return result.substr(first, last - first + 1);
}

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::size_t utf8PrefixBytes(std::string_view text, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (seen == count) return i;
            ++seen;
        }
    }
    return text.size();
}

bool isValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : (c >> 4) == 0xE        ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        if (n == 0 || i + n > bytes.size()) return false;
        unsigned int code = n == 1 ? c : c & (0xFF >> (n + 1));
        for (std::size_t k = 1; k < n; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            code = (code << 6) | (b & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        const unsigned int least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += n;
    }
    return true;
}

std::string pathForDisplay(std::string_view path) {
    if (isValidUtf8(path)) return std::string(path);
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = path.find('/', start);
        const std::string_view name = path.substr(start, slash - start);
        out += isValidUtf8(name) ? std::string(name) : codepage::decode(name);
        if (slash == std::string_view::npos) return out;
        out += '/';
        start = slash + 1;
    }
}

}  // namespace tagshelf
