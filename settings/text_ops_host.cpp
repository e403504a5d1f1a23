#include "settings/text_ops.h"

// The host has no ANSI code page of its own; ASCII is all the settings code needs there.
std::string UpperCaseText(std::string_view text) {
    std::string upper(text.substr(0, text.find('\0')));
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}
