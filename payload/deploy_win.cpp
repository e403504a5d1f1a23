#include "payload/deploy_win.h"

#include <windows.h>

#include <optional>

#include "base/directory_entry_win.h"
#include "base/owned_handles_win.h"
#include "payload/deploy_paths.h"
#include "payload/payload_format.h"
#include "payload/resource_store_win.h"
#include "settings/settings_file_win.h"

namespace {

// OpenFile keeps the path in an OFSTRUCT of this many bytes, NUL included.
constexpr size_t kOpenFilePathBytes = OFS_MAXPATHNAME;

DeployMessageBoxFn messageBoxForTest = nullptr;

FILETIME ToFileTime(uint64_t value) {
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

bool IsDotEntry(const char* name) { return lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0; }

// A folder test that a directory lookup decides; `lookedUp` receives what was looked up. A launcher at
// the root of a stick or a share would find nothing there and never deploy a tool, so a root that
// exists passes by its attributes.
bool PassesFolderTest(std::string_view path, std::string& lookedUp) {
    lookedUp = CutText(TrimFolderForLookup(path), kMaxPathChars + 1);
    if (lookedUp.empty() || lookedUp.size() > kMaxPathChars || HasWildcard(lookedUp)) return false;
    if (IsDriveOrShareRoot(lookedUp)) {
        const DWORD attributes = GetFileAttributesA((lookedUp + '\\').c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    const std::optional<WIN32_FIND_DATAA> entry = FindDirectoryEntry(lookedUp);
    if (!entry) return false;
    const bool isFolder = (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return isFolder && !TrimFolderForLookup(entry->cFileName).empty();
}

int32_t ProbeWindowsSubfolder(std::string& folder, const char* subfolderName) {
    folder.clear();
    char windowsFolder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 0;
    const std::string candidate = TrimFolderForLookup(windowsFolder) + '\\' + subfolderName;
    std::string lookedUp;
    if (!PassesFolderTest(candidate, lookedUp)) return 0;
    folder = FolderNormalForm(lookedUp);
    return 1;
}

// True when the folder holds at least one entry besides "." and "..", hidden and system ones included.
bool FolderHasEntries(const std::string& folder) {
    const std::string pattern = folder + '*';
    if (pattern.size() > kMaxPathChars) return false;
    WIN32_FIND_DATAA entry{};
    const FindHandle search(FindFirstFileA(pattern.c_str(), &entry));
    if (!search.Valid()) return false;
    bool found = false;
    do {
        entry.cFileName[MAX_PATH - 1] = '\0';
        found = !IsDotEntry(entry.cFileName);
    } while (!found && FindNextFileA(search.Get(), &entry));
    return found;
}

// Windows refuses to open a read-only file for writing; Wine run as root does not, so the rule is
// applied here for both the content and the time step.
bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A target that is opened but not written in full is deleted: a truncated tool must not pass the
// existence test and be started. One that cannot be opened keeps whatever it holds.
void WriteContent(const std::string& path, const std::string& bytes) {
    if (IsReadOnlyFile(path)) return;
    DWORD written = 0;
    {
        const FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) return;
        if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            written = 0;
        SetEndOfFile(file.Get());
    }
    if (written != bytes.size()) DeleteFileA(path.c_str());
}

// OpenFile searches the application's folder first for a bare name, so the name is anchored to the
// current folder, where the content went. Paths too long for OpenFile get an equivalent open.
FileHandle OpenForTimes(const std::string& path) {
    const bool bare = path.find_first_of(":\\/") == std::string::npos;
    const std::string anchored = bare ? ".\\" + path : path;
    if (anchored.size() < kOpenFilePathBytes) {
        OFSTRUCT openState{};
        openState.cBytes = sizeof(openState);
        const HFILE handle = OpenFile(anchored.c_str(), &openState, OF_READWRITE);
        return FileHandle(handle == HFILE_ERROR ? INVALID_HANDLE_VALUE
                                                : reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handle)));
    }
    return FileHandle(CreateFileA(anchored.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

void SetTimes(const std::string& path, uint64_t lastWriteTime) {
    if (IsReadOnlyFile(path)) return;
    const FileHandle file = OpenForTimes(path);
    if (!file.Valid()) return;
    const FILETIME time = ToFileTime(lastWriteTime);
    SetFileTime(file.Get(), &time, &time, &time);
}

// The carried bytes and, unless the record is read-only (such a file keeps the time of its write, as
// an in-place write leaves it), the recorded times, which the file system may refuse: the tool is then
// written with the time of the write, never thrown away. Flushed, since the rename follows at once and
// must not give the tool's name to bytes that a power loss would take with it.
bool FillFile(HANDLE file, const CarriedFile& carried) {
    const std::string& bytes = carried.bytes;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        return false;
    if ((carried.attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        const FILETIME time = ToFileTime(carried.lastWriteTime);
        SetFileTime(file, &time, &time, &time);
    }
    return FlushFileBuffers(file) != FALSE;
}

// The carried file in a new file that this call has created itself beside `target` (CREATE_NEW, and a
// link at the name is never followed), under the first free temporary name, filled by FillFile and
// closed: its path. nullopt, with nothing left behind, when every temporary name is taken, the folder
// takes no new file, or a step fails. An entry found under a temporary name stays as it is.
std::optional<std::string> WriteTemporaryCopy(const std::string& target, const CarriedFile& carried) {
    for (int number = 1; number <= kDeployTemporaryNames; ++number) {
        const std::string path = DeployTemporaryPath(target, number);
        if (path.empty()) continue;
        FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.Valid()) {
            if (FindDirectoryEntry(path)) continue;
            return std::nullopt;
        }
        const bool filled = FillFile(file.Get(), carried);
        file.Reset();
        if (filled) return path;
        DeleteFileA(path.c_str());
        return std::nullopt;
    }
    return std::nullopt;
}

// What a killed deployment leaves: a regular file with one name, neither a folder nor any kind of link
// (a reparse point, or one of several hard links, which would name a file elsewhere too).
bool IsPlainFile(const std::string& path, const WIN32_FIND_DATAA& entry) {
    if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return false;
    const FileHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION facts{};
    return file.Valid() && GetFileInformationByHandle(file.Get(), &facts) && facts.nNumberOfLinks == 1;
}

// Deletes the leftovers of killed deployments of the tool at `target`. Only DeleteFileA touches them,
// which also leaves a read-only file and one held open as they are.
void RemoveLeftovers(const std::string& target) {
    std::string search = DeployTemporaryPath(target, 1);
    if (search.empty()) search = DeployTemporaryPath(target, 2);
    search.back() = '?';
    WIN32_FIND_DATAA entry{};
    const FindHandle found(FindFirstFileA(search.c_str(), &entry));
    if (!found.Valid()) return;
    const std::string folder = target.substr(0, target.find_last_of("\\/") + 1);
    do {
        entry.cFileName[MAX_PATH - 1] = '\0';
        const std::string path = folder + entry.cFileName;
        if (IsDeployTemporaryName(target, entry.cFileName) && IsPlainFile(path, entry))
            DeleteFileA(path.c_str());
    } while (FindNextFileA(found.Get(), &entry));
}

// A name that a file gave up moments ago may hand that file's creation time to the file that takes it
// (NTFS tunnelling), which a replacement always meets: the recorded times are given once more.
void GiveRecordedTimesAgain(const std::string& target, const CarriedFile& carried) {
    if ((carried.attributes & FILE_ATTRIBUTE_READONLY) != 0) return;
    const FileHandle file(CreateFileA(target.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const FILETIME time = ToFileTime(carried.lastWriteTime);
    if (file.Valid()) SetFileTime(file.Get(), &time, &time, &time);
}

// A tool that is missing appears under its name only complete: a process killed half-way (power loss,
// Task Manager) leaves at most a temporary file, which the next deployment removes, instead of a
// truncated tool that every later click would start. An entry that takes the name meanwhile is kept.
bool DeployNewFile(const std::string& target, const CarriedFile& carried) {
    return PutCarriedFile(target, carried, false) && FindDirectoryEntry(target).has_value();
}

} // namespace

bool PutCarriedFile(const std::string& target, const CarriedFile& carried, bool replace) {
    RemoveLeftovers(target);
    const std::optional<std::string> temporary = WriteTemporaryCopy(target, carried);
    if (!temporary) return false;
    const BOOL moved = replace ? MoveFileExA(temporary->c_str(), target.c_str(),
                                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                               : MoveFileA(temporary->c_str(), target.c_str());
    if (!moved) {
        DeleteFileA(temporary->c_str());
        return false;
    }
    GiveRecordedTimesAgain(target, carried);
    SetFileAttributesA(target.c_str(), carried.attributes);
    return true;
}

namespace {

int32_t ShowFailure(HWND ownerWindow) {
    DeployMessageBoxFn show = messageBoxForTest != nullptr ? messageBoxForTest : MessageBoxA;
    show(ownerWindow, kDeployFailureText, kDeployFailureCaption, kDeployFailureStyle);
    return 0;
}

// Steps shared by both entry points once the resource name is settled.
int32_t DeployNamedTool(HWND ownerWindow, int32_t targetKind, int32_t mode, const std::string& name) {
    std::string folder;
    if (targetKind == kDeployToProgramFolder) {
        std::string probed = ProgramFolder();
        if (!ProbeFolder(probed)) return 0;
        folder = ProgramFolder();
    } else if (targetKind == kDeployToSysWow64) {
        if (!ProbeSysWow64Folder(folder)) return 0;
    } else if (targetKind == kDeployToSystem32) {
        if (!ProbeSystem32Folder(folder)) return 0;
    } else {
        return 0;
    }
    if (mode != kDeployWrite) return 0;
    // A folder too long for its buffer is handed on whole: cut, it would lose its backslash and send
    // the tool to the current folder; whole, the path test refuses it.
    if (DeployPayload(name, folder)) return 1;
    return ShowFailure(ownerWindow);
}

} // namespace

int32_t DeployPayloadFrom(const ResourceStore& store, std::string_view resourceName,
                          std::string_view targetFolder) {
    const std::string name = CutText(resourceName, kMaxPathChars);
    CarriedFile carried;
    if (!ReadCarriedFile(store, name, carried)) return 0;
    const std::string fileName = DeployFileName(carried.name);
    if (fileName.empty()) return 0;
    std::string folder = UsableFolderText(targetFolder.substr(0, targetFolder.find('\0')));
    const std::optional<std::string> fullPath = DeployTargetPath(folder, fileName);
    if (!fullPath) return 0;
    if (!FolderHasEntries(folder)) folder.clear();
    const std::string target = folder + fileName;
    const std::optional<WIN32_FIND_DATAA> present = FindDirectoryEntry(target);
    if (!present) return DeployNewFile(target, carried) ? 1 : 0;
    // A folder in the tool's place is no file to write: it keeps its attributes; the tool test decides.
    if ((present->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 1;

    // A file already there is written in place, as far as it lets itself be written.
    WriteContent(target, carried.bytes);
    SetFileAttributesA(target.c_str(), carried.attributes);
    SetTimes(target, carried.lastWriteTime);
    return FindDirectoryEntry(target) ? 1 : 0;
}

int32_t DeployPayload(std::string_view resourceName, std::string_view targetFolder) {
    const ModuleResourceStore store;
    return DeployPayloadFrom(store, resourceName, targetFolder);
}

int32_t ProbeFolder(std::string& path) {
    std::string lookedUp;
    if (!PassesFolderTest(path, lookedUp)) return 0;
    path = FolderNormalForm(lookedUp);
    return 1;
}

int32_t ProbeSystem32Folder(std::string& folder) { return ProbeWindowsSubfolder(folder, "System32"); }

int32_t ProbeSysWow64Folder(std::string& folder) { return ProbeWindowsSubfolder(folder, "SysWow64"); }

int32_t DeployTool(HWND ownerWindow, int32_t targetKind, int32_t mode, std::string_view resourceName) {
    if (IsBlankResourceName(resourceName)) return 0;
    return DeployNamedTool(ownerWindow, targetKind, mode, CutText(resourceName, kMaxPathChars));
}

int32_t DeployCindrelTool(HWND ownerWindow, int32_t targetKind, int32_t mode) {
    return DeployNamedTool(ownerWindow, targetKind, mode, std::string(kCindrelResourceName));
}

void SetDeployMessageBoxForTest(DeployMessageBoxFn messageBox) { messageBoxForTest = messageBox; }
