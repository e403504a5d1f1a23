#include "base/text_ops_win.h"

#include <windows.h>

std::string UpperCaseText(std::string_view text) {
    if (text.empty()) return {};
    std::string upper(text);
    CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper.substr(0, upper.find('\0'));
}
