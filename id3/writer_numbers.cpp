#include "id3/writer_numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tagshelf::numbers {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// A whole text that is one number: optional spaces, sign, digits with an optional
// fraction (at least one digit in all), optional spaces.
bool isNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    return digits > 0 && i == text.size();
}

}  // namespace

double leadingNumber(std::string_view text) {
    std::string number;
    bool signSeen = false;
    bool pointSeen = false;
    for (char c : text) {
        if (isBlank(c)) continue;
        if (!signSeen && number.empty() && (c == '+' || c == '-')) {
            signSeen = true;
            number += c;
        } else if (isDigit(c)) {
            number += c;
        } else if (c == '.' && !pointSeen) {
            pointSeen = true;
            number += c;
        } else {
            break;
        }
    }
    if (number.empty()) return 0;
    return std::strtod(number.c_str(), nullptr);
}

std::string decimalText(double value) {
    char buffer[64];
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.15g", value);
    }
    std::string text = buffer;
    return text == "-0" ? "0" : text;
}

std::string formatNumberText(std::string_view text, int minDigits) {
    if (!isNumber(text)) return std::string(text);
    const double value = std::round(std::strtod(std::string(text).c_str(), nullptr));
    if (value == 0 && minDigits == 0) return {};
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(value));
    std::string digits = buffer;
    if (digits.size() < static_cast<std::size_t>(minDigits)) {
        digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
    }
    return value < 0 ? "-" + digits : digits;
}

}  // namespace tagshelf::numbers
