#include "settings/text_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t CountDigits(std::string_view text, size_t from) {
    size_t end = from;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - from;
}

// A decimal number as up to 19 significant digits (they fit 64 bits) times a power of ten.
class DecimalDigits {
  public:
    void Add(char digit, bool afterPoint) {
        if (significant_ == kMaxSignificant) {
            if (!afterPoint) ++exponent_;
            return;
        }
        mantissa_ = mantissa_ * 10 + static_cast<uint64_t>(digit - '0');
        if (mantissa_ != 0) ++significant_;
        if (afterPoint) --exponent_;
    }

    // Exact, hence the nearest double, while mantissa and power both are exact doubles (all the
    // numbers a settings file holds); otherwise within one unit in the last place, the power of ten
    // taken in extended precision.
    double Value() const {
        if (mantissa_ == 0) return 0.0;
        if (mantissa_ <= kExactMantissa && exponent_ >= -kExactPowers && exponent_ <= kExactPowers) {
            const double power = ExactPowerOfTen(exponent_ < 0 ? -exponent_ : exponent_);
            const double mantissa = static_cast<double>(mantissa_);
            return exponent_ < 0 ? mantissa / power : mantissa * power;
        }
        const long double power = PowerOfTen(exponent_ < 0 ? -exponent_ : exponent_);
        const long double mantissa = static_cast<long double>(mantissa_);
        return static_cast<double>(exponent_ < 0 ? mantissa / power : mantissa * power);
    }

  private:
    static constexpr int kMaxSignificant = 19;
    static constexpr uint64_t kExactMantissa = uint64_t{1} << 53;
    static constexpr int64_t kExactPowers = 22;

    static double ExactPowerOfTen(int64_t exponent) {
        double power = 1.0;
        for (int64_t i = 0; i < exponent; ++i) power *= 10.0;
        return power;
    }

    // Infinite beyond the extended range, so that a huge number reads as HUGE_VAL and a tiny one as 0.
    static long double PowerOfTen(int64_t exponent) {
        long double power = 1.0L;
        long double square = 10.0L;
        for (uint64_t rest = static_cast<uint64_t>(exponent); rest != 0; rest >>= 1) {
            if ((rest & 1) != 0) power *= square;
            square *= square;
        }
        return power;
    }

    uint64_t mantissa_ = 0;
    int significant_ = 0;
    int64_t exponent_ = 0;
};

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
    const size_t intDigits = CountDigits(text, pos);
    const std::string_view integerPart = text.substr(pos, intDigits);
    pos += intDigits;
    std::string_view fraction;
    if (pos < text.size() && text[pos] == '.') fraction = text.substr(pos + 1, CountDigits(text, pos + 1));
    if (integerPart.empty() && fraction.empty()) return 0.0;

    // The digits are read here rather than by strtod, whose decimal point is the C runtime locale's:
    // under a German locale "40.7" would read as 40.
    DecimalDigits digits;
    for (char c : integerPart) digits.Add(c, false);
    for (char c : fraction) digits.Add(c, true);
    const double value = digits.Value();
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
