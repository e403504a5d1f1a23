#include <windows.h>

#include <shellapi.h>

#include "tools/payload_tool/command_line.h"
#include "tools/payload_tool/utf8_text.h"

std::vector<std::string> CommandLineArguments(int, char**) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> utf8;
    for (int i = 1; arguments != nullptr && i < count; ++i) {
        const std::wstring_view argument(arguments[i]);
        utf8.push_back(Utf8FromUtf16(std::u16string(argument.begin(), argument.end())));
    }
    LocalFree(arguments);
    return utf8;
}
