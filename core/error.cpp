#include "core/error.h"

#include <cstring>

namespace tagshelf {

Error systemError(int errnoValue, std::string step) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* text = strerror_r(errnoValue, buffer, sizeof buffer);
    return Error{errnoValue, text, "TagShelf", std::move(step)};
}

std::string standardErrorText(std::string_view label, const Error& error) {
    std::string text(label);
    text += "エラー : ";
    if (error.number >= 0) text += ' ';
    text += std::to_string(error.number);
    text += "が発生しました。 : ";
    text += error.description;
    text += error.source;
    return text;
}

}  // namespace tagshelf
