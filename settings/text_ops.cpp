#include "settings/text_ops.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t CountDigits(std::string_view text, size_t from) {
    size_t end = from;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - from;
}

} // namespace

std::string KeepOnly(std::string_view text, std::string_view set) {
    std::string kept;
    for (char c : text) {
        if (set.find(c) != std::string_view::npos) kept.push_back(c);
    }
    return kept;
}

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsNulOrBlank(text[begin])) ++begin;
    while (end > begin && IsNulOrBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

double ReadNumber(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n')) ++pos;

    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const size_t start = pos;
    const size_t intDigits = CountDigits(text, pos);
    pos += intDigits;
    size_t fracDigits = 0;
    if (pos < text.size() && text[pos] == '.') {
        fracDigits = CountDigits(text, pos + 1);
        pos += 1 + fracDigits;
    }
    if (intDigits + fracDigits == 0) return 0.0;

    // strtod gets only the digits and the point checked above, so neither an exponent, a radix
    // prefix nor a word like "inf" can reach it; its decimal point is the C locale's, which the
    // launcher never changes. (std::from_chars would do the same but costs the launcher 42 KB.)
    const std::string number(text.substr(start, pos - start));
    errno = 0;
    double value = std::strtod(number.c_str(), nullptr);
    if (errno == ERANGE) {
        const bool tiny = KeepOnly(std::string_view(number).substr(0, intDigits), "123456789").empty();
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

std::string FormatInteger(int32_t value) { return std::to_string(value); }

std::string AsciiUpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

int32_t RoundToInt32(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<int32_t>::max();
    double rounded = std::floor(value);
    const double rest = value - rounded;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded <= kLowest) return std::numeric_limits<int32_t>::min();
    if (rounded >= kHighest) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

int32_t SaturateToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string_view TrimTrailingNulAndBlanks(std::string_view text) {
    while (!text.empty() && IsNulOrBlank(text.back())) text.remove_suffix(1);
    return text;
}
