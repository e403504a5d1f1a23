#include "settings/settings_file.h"

#include <utility>

#include "base/text_ops.h"

std::string ProgramFolderOf(std::string_view exePath) {
    const size_t slash = exePath.rfind('\\');
    if (slash == std::string_view::npos) return {};
    return std::string(exePath.substr(0, slash + 1));
}

std::string SettingsPathOf(std::string_view exePath, std::string_view extension, UpperCaser upperCase) {
    if (exePath.empty()) return {};
    std::string path(exePath);
    if (path.size() >= 4 && upperCase(exePath.substr(path.size() - 4)) == ".EXE") {
        path.resize(path.size() - 3);
    } else {
        path.push_back('.');
    }
    path.append(extension);
    return path;
}

std::string FitField(std::string text, size_t fieldSize) {
    if (text.size() + 1 > fieldSize) return {};
    return text;
}

std::string ModulePathOf(std::string_view field, size_t reportedLength) {
    return FitField(std::string(field.substr(0, reportedLength)), field.size());
}

std::string PreferLongPath(std::string loadedPath, std::string_view longField, size_t reportedLength) {
    if (loadedPath.empty()) return loadedPath;
    std::string longPath = ModulePathOf(longField, reportedLength);
    return longPath.empty() ? loadedPath : longPath;
}

// The ANSI profile functions cut a longer path and write their file under whatever name is left.
std::string ProfilePathOf(std::string settingsPath) {
    return FitField(std::move(settingsPath), kProfilePathField);
}
