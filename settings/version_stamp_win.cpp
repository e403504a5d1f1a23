#include "settings/version_stamp_win.h"

#include <windows.h>

#include "base/owned_handles_win.h"
#include "base/text_ops.h"
#include "settings/settings_file_win.h"

namespace {

constexpr char kStampSection[] = "DateVersionInIni";
constexpr char kOptionSection[] = "Optionen";
constexpr size_t kValueBuffer = 520;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Hidden and system files are kept on purpose, like folders; read-only ones refuse by themselves.
void DeleteUnlessProtected(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)) return;
    DeleteFileA(path.c_str());
}

} // namespace

int32_t SettingsStampMatches(const std::string& date, const std::string& version) {
    const std::string path = SettingsFilePath();
    if (!SettingsFileExists(path)) return 0;
    int hits = 0;
    if (StoredVersionMatches(ReadProfileText(path, kStampSection, "Version", "0.0.0.0", kValueBuffer),
                             version))
        ++hits;
    if (StoredDateMatches(ReadProfileText(path, kStampSection, "Date", "00000000", kValueBuffer), date))
        ++hits;
    return hits == 2 ? 1 : 0;
}

// Written whole, in the form Windows' profile writer gives the four default writes: Wine's writer gives
// another form, which changes with the timing of the writes, so the launcher's own layout could not be
// told from it. A file that cannot be created is not noticed, as a failed profile write would not be.
int32_t CreateDefaultSettings() {
    const std::string path = SettingsFilePath();
    if (path.empty() || SettingsFileExists(path)) return 0;
    const FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Valid())
        WriteFile(file.Get(), kDefaultSettingsContent.data(),
                  static_cast<DWORD>(kDefaultSettingsContent.size()), &written, nullptr);
    return 1;
}

int32_t EnsureSettingsStamp(const std::string& date, const std::string& version) {
    const std::string path = SettingsFilePath();
    int32_t created = 0;
    if (!SettingsFileExists(path)) {
        created = CreateDefaultSettings();
    } else if (SettingsStampMatches(date, version) == 0) {
        DeleteUnlessProtected(path);
        Sleep(100);
        created = CreateDefaultSettings();
    }
    if (created == 1) {
        WriteProfileText(path, kStampSection, "Version", Quoted(KeepOnly(version, kStampVersionChars)));
        WriteProfileText(path, kStampSection, "Date", Quoted(KeepOnly(date, kStampDateChars)));
    }
    return SettingsStampMatches(date, version);
}

int32_t AllProgExitOption(std::string& value, int32_t mode) {
    const std::string path = SettingsFilePath();
    if (mode == kOptionRead) {
        if (!SettingsFileExists(path)) return 0;
        const std::string kept =
            KeepOnly(ReadProfileText(path, kOptionSection, "AllProgExit", "1", kValueBuffer), "01");
        if (kept.empty()) return 0;
        value = kept;
        return 1;
    }
    if (mode == kOptionWrite) {
        WriteProfileText(path, kOptionSection, "AllProgExit", Quoted(OptionToStore(value)));
        return 1;
    }
    return 0;
}
