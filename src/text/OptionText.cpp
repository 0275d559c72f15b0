#include "OptionText.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

bool isBlank(char c) {
    // The C locale's white space, whatever the process locale says.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Only reached for numbers beyond double's range, which std::from_chars reports without a value.
double parseOutOfRange(std::string_view number) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string copy(number);
    if (cLocale == static_cast<locale_t>(nullptr))
        return 0.0;
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

float roundToFloat(double value) {
    // Half an ulp above FLT_MAX: from here on round-to-nearest gives infinity.
    constexpr double kOverflow = 0x1.ffffffp127;
    if (value >= kOverflow)
        return std::numeric_limits<float>::infinity();
    if (value <= -kOverflow)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace

float parseOptionValue(std::string_view text) {
    if (text.empty() || text == "auto")
        return 0.0f;
    if (text == "original")
        return 1.0f;

    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // A decimal number starts with a digit or a point followed by a digit; this also keeps
    // std::from_chars from accepting "inf" and "nan".
    const bool startsNumber =
        i < text.size() &&
        (isDigit(text[i]) || (text[i] == '.' && i + 1 < text.size() && isDigit(text[i + 1])));
    if (!startsNumber)
        return 0.0f;

    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        value = parseOutOfRange(std::string_view(first, static_cast<size_t>(end - first)));
    else if (ec != std::errc())
        return 0.0f;
    return roundToFloat(negative ? -value : value);
}

int32_t parseOptionInt(std::string_view text) {
    const float value = parseOptionValue(text);
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

std::vector<std::string> splitOptionList(std::string_view text) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string_view::npos;
         comma = text.find(',', start)) {
        pieces.emplace_back(trimmed(text.substr(start, comma - start)));
        start = comma + 1;
    }
    if (!text.empty() && text.back() != ',')
        pieces.emplace_back(trimmed(text.substr(start)));
    return pieces;
}
