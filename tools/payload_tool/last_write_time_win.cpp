#include <windows.h>

#include <system_error>

#include "tools/payload_tool/last_write_time.h"
#include "tools/payload_tool/utf8_text.h"

std::optional<uint64_t> LastWriteFileTime(const std::string& path, std::string& error) {
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    const std::u16string wide = Utf16FromUtf8(path).value_or(u"");
    if (!GetFileAttributesExW(std::wstring(wide.begin(), wide.end()).c_str(), GetFileExInfoStandard,
                              &facts)) {
        error = "cannot read when it was last written: " +
                std::system_category().message(static_cast<int>(GetLastError()));
        return std::nullopt;
    }
    return (uint64_t{facts.ftLastWriteTime.dwHighDateTime} << 32) | facts.ftLastWriteTime.dwLowDateTime;
}
