#include "base/text_ops.h"

#include <algorithm>
#include <bit>
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

// A whole number of up to kLimbs x 32 bits, little-endian: room for 10^19 x 5^308 and for twice 5^343,
// the largest numerator and denominator that DecimalDigits::Value divides.
class WideNumber {
  public:
    explicit WideNumber(uint64_t value)
        : limbs_{static_cast<uint32_t>(value), static_cast<uint32_t>(value >> 32)} {}

    void MultiplyBy5() {
        uint64_t carry = 0;
        for (uint32_t& limb : limbs_) {
            carry += uint64_t{limb} * 5;
            limb = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
    }

    // this = 2 x this + bit
    void DoubleAndAdd(bool bit) {
        uint32_t carry = bit ? 1 : 0;
        for (uint32_t& limb : limbs_) {
            const uint32_t next = limb >> 31;
            limb = (limb << 1) | carry;
            carry = next;
        }
    }

    // this -= other when this >= other; whether it was.
    bool SubtractIfAtLeast(const WideNumber& other) {
        for (size_t i = kLimbs; i-- > 0;) {
            if (limbs_[i] != other.limbs_[i]) {
                if (limbs_[i] < other.limbs_[i]) return false;
                break;
            }
        }
        uint64_t borrow = 0;
        for (size_t i = 0; i < kLimbs; ++i) {
            const uint64_t difference = uint64_t{limbs_[i]} - other.limbs_[i] - borrow;
            limbs_[i] = static_cast<uint32_t>(difference);
            borrow = (difference >> 32) & 1;
        }
        return true;
    }

    bool Bit(int64_t index) const { return ((limbs_[index / 32] >> (index % 32)) & 1) != 0; }

    int64_t BitLength() const {
        for (size_t i = kLimbs; i-- > 0;) {
            for (int bit = 31; bit >= 0; --bit) {
                if (((limbs_[i] >> bit) & 1) != 0) return static_cast<int64_t>(i) * 32 + bit + 1;
            }
        }
        return 0;
    }

    // True when a bit below `end` is set.
    bool AnyBitBelow(int64_t end) const {
        for (int64_t i = 0; i < end; ++i) {
            if (Bit(i)) return true;
        }
        return false;
    }

    bool IsZero() const { return BitLength() == 0; }

  private:
    static constexpr size_t kLimbs = 26;
    uint32_t limbs_[kLimbs] = {};
};

// The double nearest to quotient x 2^exponent + a part below the quotient's last bit that is not zero
// when `sticky`, ties to even; `quotient` has its top bit set. Built from its bits, so no floating-point
// unit rounds anything (the x87 rounds twice: to its 64 bits, then to the double's 53).
double NearestDouble(uint64_t quotient, int64_t exponent, bool sticky) {
    constexpr int kMantissaBits = 52;
    constexpr int64_t kMaxExponent = 1023;
    constexpr int64_t kMinExponent = -1022;
    int64_t leading = exponent + 63; // the power of two of the quotient's top bit
    if (leading > kMaxExponent) return HUGE_VAL;
    // Below the normal range the last kept bit stays at 2^-1074, so fewer bits are kept.
    const int64_t shift = 63 - kMantissaBits + std::max<int64_t>(0, kMinExponent - leading);
    if (shift > 64) return 0.0;
    const uint64_t kept = shift < 64 ? quotient >> shift : 0;
    const uint64_t rest = shift < 64 ? quotient & ((uint64_t{1} << shift) - 1) : quotient;
    const uint64_t half = uint64_t{1} << (shift - 1);
    uint64_t rounded = kept + ((rest > half || (rest == half && (sticky || (kept & 1) != 0))) ? 1 : 0);
    if (leading < kMinExponent) return std::bit_cast<double>(rounded); // 2^52 is the least normal, too
    if (rounded == uint64_t{1} << (kMantissaBits + 1)) {
        rounded >>= 1;
        if (++leading > kMaxExponent) return HUGE_VAL;
    }
    const uint64_t mantissa = rounded & ((uint64_t{1} << kMantissaBits) - 1);
    return std::bit_cast<double>((static_cast<uint64_t>(leading - kMinExponent + 1) << kMantissaBits) |
                                 mantissa);
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

    // The nearest double, in whole-number arithmetic: mantissa x 10^exponent is numerator / denominator
    // x 2^exponent, with the powers of five on either side, and the long division yields the
    // quotient's first 64 bits and whether anything is left.
    double Value() const {
        if (mantissa_ == 0) return 0.0;
        // At least 10^309, beyond the largest double; below 10^-325, under half the least one.
        if (exponent_ >= 309) return HUGE_VAL;
        if (exponent_ < -343) return 0.0;
        WideNumber numerator(mantissa_);
        WideNumber denominator(1);
        for (int64_t i = 0; i < exponent_; ++i) numerator.MultiplyBy5();
        for (int64_t i = 0; i > exponent_; --i) denominator.MultiplyBy5();

        WideNumber remainder(0);
        uint64_t quotient = 0;
        int64_t next = numerator.BitLength() - 1; // the numerator's bit brought down next; below 0: zeros
        while (quotient < uint64_t{1} << 63) {
            remainder.DoubleAndAdd(next >= 0 && numerator.Bit(next));
            quotient = quotient * 2 + (remainder.SubtractIfAtLeast(denominator) ? 1 : 0);
            --next;
        }
        const bool sticky = !remainder.IsZero() || numerator.AnyBitBelow(next + 1);
        return NearestDouble(quotient, next + 1 + exponent_, sticky);
    }

  private:
    static constexpr int kMaxSignificant = 19;

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
