#include "settings/settings_file_win.h"

#include <windows.h>

#include <utility>

#include "base/directory_entry_win.h"
#include "base/text_ops_win.h"

std::string ExecutablePath() {
    char buffer[kModulePathField] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, kModulePathField);
    // A full buffer means the path was cut; a cut path must not lead to a settings file elsewhere.
    std::string loaded = ModulePathOf(std::string_view(buffer, kModulePathField), length);
    if (loaded.empty()) return loaded;
    // The module's path has the form it was loaded with, 8.3 short names included.
    char longBuffer[kModulePathField] = {};
    const DWORD longLength = GetLongPathNameA(loaded.c_str(), longBuffer, kModulePathField);
    return PreferLongPath(std::move(loaded), std::string_view(longBuffer, kModulePathField), longLength);
}

std::string ProgramFolder() { return ProgramFolderOf(ExecutablePath()); }

std::string SettingsPath(std::string_view extension) {
    return ProfilePathOf(SettingsPathOf(ExecutablePath(), extension, UpperCaseText));
}

std::string SettingsFilePath() { return SettingsPath("ini"); }

bool SettingsFileExists(const std::string& path) { return FindDirectoryEntry(path).has_value(); }

std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultText, size_t bufferSize) {
    if (path.empty()) return defaultText;
    std::string buffer(bufferSize, '\0');
    const DWORD length = GetPrivateProfileStringA(section, key, defaultText, buffer.data(),
                                                  static_cast<DWORD>(bufferSize), path.c_str());
    buffer.resize(length);
    return buffer;
}

void WriteProfileText(const std::string& path, const char* section, const char* key,
                      const std::string& value) {
    if (path.empty()) return;
    WritePrivateProfileStringA(section, key, value.c_str(), path.c_str());
}

void WriteProfileSection(const std::string& path, const char* section, const std::string& entries) {
    if (path.empty()) return;
    // The entry list ends with an empty entry: two NULs after the last one.
    const std::string list = entries + std::string(2, '\0');
    WritePrivateProfileSectionA(section, list.data(), path.c_str());
}
