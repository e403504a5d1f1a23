#include "tools/payload_tool/fact_rules.h"

#include <algorithm>
#include <charconv>

#include "settings/program_facts.h"
#include "tools/payload_tool/utf8_text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// What RFC 3986 allows in a URL besides letters, digits and the percent sign of an escape: the
// unreserved marks, the general delimiters and the sub-delimiters.
bool IsUrlCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
           std::string_view("-._~:/?#[]@!$&'()*+,;=").find(c) != std::string_view::npos;
}

std::string TextProblem(std::string_view value) {
    const std::optional<std::u16string> text = Utf16FromUtf8(value);
    if (!text) return "must be UTF-8 text";
    for (const char16_t unit : *text) {
        if (unit < 0x20 || (unit >= 0x7F && unit < 0xA0)) return "must not hold control characters";
    }
    if (text->size() > kMaxVersionTextUnits)
        return "must be at most " + std::to_string(kMaxVersionTextUnits) + " characters long";
    return "";
}

std::string HomePageProblem(std::string_view url) {
    const size_t scheme = url.starts_with("http://") ? 7 : url.starts_with("https://") ? 8 : 0;
    if (scheme == 0) return "must start with http:// or https://";
    if (url.size() == scheme) return "must name a web page after " + std::string(url);
    if (url.size() > kMaxHomePageLength)
        return "must be at most " + std::to_string(kMaxHomePageLength) + " characters long";
    for (size_t at = scheme; at < url.size(); ++at) {
        const char c = url[at];
        if (c == '%') {
            if (url.size() - at < 3 || !IsHexDigit(url[at + 1]) || !IsHexDigit(url[at + 2]))
                return "holds a % that is not followed by two hex digits";
            at += 2;
        } else if (c == ' ') {
            return "must not hold blanks (write %20)";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return "must not hold control characters";
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            return "must not hold characters outside ASCII (write them percent-encoded)";
        } else if (!IsUrlCharacter(c)) {
            return std::string("must not hold ") + c + ", which no URL holds (write it percent-encoded)";
        }
    }
    return "";
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

std::string DateProblem(std::string_view date) {
    if (date.size() != 8 || !std::all_of(date.begin(), date.end(), IsDigit))
        return "must be eight digits DDMMYYYY, for example 10122009";
    const int day = (date[0] - '0') * 10 + (date[1] - '0');
    const int month = (date[2] - '0') * 10 + (date[3] - '0');
    int year = 0;
    std::from_chars(date.data() + 4, date.data() + 8, year);
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool dayExists = month >= 1 && month <= 12 && day >= 1 &&
                           day <= kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (!dayExists || year < 1970) return "is not a date DDMMYYYY from 1970 on";
    return "";
}

// Advance widths in pixels of the characters ! to ~ (0x21-0x7E) in the home-page label's font, the
// window font MS Sans Serif 8 pt at 96 dpi, measured under Wine with GetTextExtentPoint32A on the label's
// own font: their sum equals the extent of whole addresses (the font has no kerning). The default
// address is 186 pixels wide; one of 495 pixels broke after its 95th character in a screenshot.
constexpr uint8_t kLabelCharWidths[] = {
    3, 5, 7, 6, 8, 6, 2, 3, 3, 4, 6, 3, 3, 3, 5, 6, 6, 6, 6, 6, 6, 6, 6,  6, 6, 3, 3, 6, 6, 6, 6, 11,
    7, 7, 7, 8, 7, 6, 8, 8, 3, 5, 7, 6, 9, 8, 8, 7, 8, 8, 7, 7, 8, 7, 11, 7, 7, 7, 3, 5, 3, 6, 6, 3,
    6, 6, 6, 6, 6, 3, 6, 6, 2, 2, 6, 2, 8, 6, 6, 6, 6, 3, 5, 3, 6, 6, 8,  5, 5, 5, 4, 2, 4, 7};
static_assert(std::size(kLabelCharWidths) == 0x7E - 0x21 + 1);

} // namespace

std::optional<FactKey> FactKeyNamed(std::string_view name) {
    for (size_t i = 0; i < kFactCount; ++i) {
        if (kFactNames[i] == name) return static_cast<FactKey>(i);
    }
    return std::nullopt;
}

std::optional<std::array<uint16_t, 4>> VersionNumbers(std::string_view version) {
    std::array<uint16_t, 4> numbers{};
    for (size_t part = 0; part < numbers.size(); ++part) {
        const size_t end = part == 3 ? version.size() : version.find('.');
        const std::string_view digits = version.substr(0, end);
        unsigned value = 0;
        const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || stop != digits.data() + digits.size() ||
            !IsDigit(digits.front()) || (digits.size() > 1 && digits.front() == '0') || value > 0xFFFF)
            return std::nullopt;
        numbers[part] = static_cast<uint16_t>(value);
        if (part < 3 && end == std::string_view::npos) return std::nullopt;
        version.remove_prefix(part == 3 ? version.size() : end + 1);
    }
    return numbers;
}

std::string FactProblem(FactKey key, std::string_view value) {
    switch (key) {
    case FactKey::Version:
        return VersionNumbers(value) ? ""
                                     : "must be four numbers a.b.c.d, each 0 to 65535 and without leading "
                                       "zeros, for example 2.1.0.4";
    case FactKey::Company:
    case FactKey::Copyright:
        return TextProblem(value);
    case FactKey::HomePage:
        return HomePageProblem(value);
    case FactKey::Date:
        return DateProblem(value);
    case FactKey::UpdateTools:
        return value == kToolUpdatesOn || value == kToolUpdatesOff ? "" : "must be on or off";
    }
    return "is no fact";
}

int HomePageLabelPixels(std::string_view url) {
    int pixels = 0;
    for (const char c : url) {
        const size_t slot = c > 0x20 && c < 0x7F ? static_cast<size_t>(c - 0x21) : 0;
        pixels += kLabelCharWidths[slot];
    }
    return pixels;
}

std::string HomePageWarning(std::string_view url) {
    const int pixels = HomePageLabelPixels(url);
    if (pixels <= kHomePageLabelPixels) return "";
    return "is " + std::to_string(pixels) + " pixels wide in the window font; the label shows " +
           std::to_string(kHomePageLabelPixels) +
           " on one line, and a second line is hidden behind the last tool's frame. A shorter address "
           "shows whole.";
}
