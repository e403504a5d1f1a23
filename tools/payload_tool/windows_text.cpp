#include "tools/payload_tool/windows_text.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tools/payload_tool/utf8_text.h"

namespace {

// The characters of Windows-1252's bytes 0x80 to 0x9F; 0 where the code page leaves a byte undefined.
// The bytes 0xA0 to 0xFF are the characters of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

// The characters of `text` when it is valid UTF-8 (utf8_text.h), else nullopt.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
    const std::optional<std::u16string> units = Utf16FromUtf8(text);
    if (!units) return std::nullopt;
    std::vector<char32_t> characters;
    for (size_t i = 0; i < units->size(); ++i) {
        const char32_t unit = (*units)[i];
        const bool pair = unit >= 0xD800 && unit < 0xDC00 && i + 1 < units->size();
        characters.push_back(pair ? 0x10000 + ((unit - 0xD800) << 10) + ((*units)[++i] - 0xDC00) : unit);
    }
    return characters;
}

// The characters of `text` read as Windows-1252; kNoCharacter for an undefined byte.
std::vector<char32_t> DecodeWindows1252(std::string_view text) {
    std::vector<char32_t> characters;
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        const char32_t character = value >= 0x80 && value < 0xA0 ? kHighControls[value - 0x80] : value;
        characters.push_back(character == 0 && value != 0 ? kNoCharacter : character);
    }
    return characters;
}

// The Windows-1252 byte of `character`, or nullopt.
std::optional<char> EncodeWindows1252(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character < 0x100)) return static_cast<char>(character);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == character) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> WindowsText(std::string_view text, std::string& error) {
    std::optional<std::vector<char32_t>> characters = DecodeUtf8(text);
    if (!characters) characters = DecodeWindows1252(text);
    if (!characters->empty() && characters->front() == 0xFEFF) characters->erase(characters->begin());
    std::string out;
    size_t line = 1;
    for (size_t i = 0; i < characters->size(); ++i) {
        const char32_t character = (*characters)[i];
        if (character == U'\r' || character == U'\n') {
            if (character == U'\r' && i + 1 < characters->size() && (*characters)[i + 1] == U'\n') ++i;
            out += "\r\n";
            ++line;
            continue;
        }
        const std::optional<char> byte = EncodeWindows1252(character);
        if (!byte) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
            error = "line " + std::to_string(line) + ": " +
                    (character == kNoCharacter ? std::string("a byte that is neither UTF-8 nor Windows-1252")
                                               : std::string(code) + " has no place in Windows-1252");
            return std::nullopt;
        }
        out += *byte;
    }
    return out;
}
