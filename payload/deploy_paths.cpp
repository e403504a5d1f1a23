#include "payload/deploy_paths.h"

#include <algorithm>

#include "base/text_ops.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view TrimEndWhile(std::string_view text, bool (*drop)(char)) {
    while (!text.empty() && drop(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view TrimStartWhile(std::string_view text, bool (*drop)(char)) {
    while (!text.empty() && drop(text.front())) text.remove_prefix(1);
    return text;
}

// The platform drops trailing dots and blanks of a path part, so "..." and ". ." name the parent too.
bool IsParentSegment(std::string_view part) {
    const bool onlyDotsAndBlanks =
        !part.empty() && std::ranges::all_of(part, [](char c) { return c == '.' || c == ' '; });
    return onlyDotsAndBlanks && std::ranges::count(part, '.') >= 2;
}

// Only slashes can be left in the kept part of a name, since everything up to the last colon or
// backslash is cut away first; whatever ".." was cut away can no longer lead anywhere.
bool HasParentSegment(std::string_view keptName) {
    size_t start = 0;
    while (start <= keptName.size()) {
        size_t end = start;
        while (end < keptName.size() && !IsSeparator(keptName[end])) ++end;
        if (IsParentSegment(keptName.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::string CutText(std::string_view text, size_t maxChars) {
    text = text.substr(0, std::min(text.find('\0'), maxChars));
    return std::string(text);
}

bool IsBlankResourceName(std::string_view name) {
    return std::ranges::all_of(
        name, [](char c) { return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' '; });
}

std::string TrimFolderForLookup(std::string_view path) {
    path = TrimEndWhile(TrimStartWhile(path, IsNulOrBlank), IsNulOrBlank);
    return std::string(TrimEndWhile(path, IsSeparator));
}

std::string FolderNormalForm(std::string_view lookedUpPath) {
    const std::string_view kept =
        TrimEndWhile(lookedUpPath, [](char c) { return IsNulOrBlank(c) || IsSeparator(c); });
    return std::string(kept) + '\\';
}

bool IsDriveOrShareRoot(std::string_view lookupForm) {
    const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (lookupForm.size() == 2 && isLetter(lookupForm[0]) && lookupForm[1] == ':') return true;
    if (!lookupForm.starts_with("\\\\")) return false;
    const std::string_view rest = lookupForm.substr(2);
    const size_t split = rest.find('\\');
    if (split == std::string_view::npos || rest.find('\\', split + 1) != std::string_view::npos) return false;
    const std::string_view server = rest.substr(0, split);
    return !server.empty() && server != "?" && server != "." && split + 1 < rest.size();
}

bool HasWildcard(std::string_view text) { return text.find_first_of("*?<>\"") != std::string_view::npos; }

std::string UsableFolderText(std::string_view folder) {
    folder = TrimEndWhile(folder, IsNulOrBlank);
    if (folder.empty() || folder.back() != '\\') return std::string();
    return std::string(folder);
}

std::string DeployFileName(std::string_view recordFileName) {
    const std::string whole = CutText(recordFileName, kFileNameBytes);
    std::string_view name = whole;
    const size_t lastSeparator = name.find_last_of(":\\");
    if (lastSeparator != std::string_view::npos) name.remove_prefix(lastSeparator + 1);
    name = TrimEndWhile(name, IsNulOrBlank);
    if (name.empty()) return std::string();
    const bool onlyDotsAndBlanks = std::ranges::all_of(name, [](char c) { return c == '.' || c == ' '; });
    if (onlyDotsAndBlanks || HasParentSegment(name) || name.front() == '/' || HasWildcard(name)) {
        return std::string();
    }
    return std::string(name);
}

std::optional<std::string> DeployTargetPath(std::string_view folder, std::string_view fileName) {
    if (folder.size() + fileName.size() > kMaxPathChars) return std::nullopt;
    return std::string(folder) + std::string(fileName);
}

std::string DeployTemporaryPath(std::string_view targetPath, int number) {
    const size_t lastPart = targetPath.find_last_of("\\/") + 1; // 0 when there is no separator
    const size_t nameLength = targetPath.size() - lastPart;
    const size_t kept = nameLength > 2 ? nameLength - 2 : std::min<size_t>(nameLength, 1);
    std::string temporary = std::string(targetPath.substr(0, lastPart + kept)) + '~';
    temporary.push_back(static_cast<char>('0' + number));
    return temporary == targetPath ? std::string() : temporary;
}

bool IsDeployTemporaryName(std::string_view targetPath, std::string_view entryName) {
    const std::string_view folder = targetPath.substr(0, targetPath.find_last_of("\\/") + 1);
    for (int number = 1; number <= kDeployTemporaryNames; ++number) {
        const std::string temporary = DeployTemporaryPath(targetPath, number);
        if (!temporary.empty() && std::string_view(temporary).substr(folder.size()) == entryName) return true;
    }
    return false;
}
