#include "core/text.h"

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

}  // namespace tagshelf
