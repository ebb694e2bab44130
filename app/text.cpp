#include "app/text.h"

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

}  // namespace tagshelf
