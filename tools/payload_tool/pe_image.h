// The one reader and writer of PE32 and PE32+ images for payload-tool and the build: the headers, the
// section table, the data directories and the whole resource tree (types, names, languages and their
// data), parsed once from an image held in memory, without any platform API; and the image written again
// with a new resource tree. Every command that looks into an image asks this module, so two commands
// never disagree about one file.
//
// Untrusted input: every offset, size and count is checked against the file before it is used, the tree
// against a budget of its own section's size (so no file can claim much more memory, or `list` output,
// than it holds), and the walk has a fixed depth, so a directory that points back cannot make it loop.
// Arbitrary bytes give one of the documented results, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class PeResult {
    Ok,
    NotPe,       // no MZ header or PE signature, an unknown optional-header magic or impossible alignments
    Truncated,   // a header, the section table, a section's data, the symbol table, the certificate (or, when
                 // rewriting, the debug directory) runs past the file's end
    NoResources, // the image has no resource directory (only RewriteResources: readers find no resources)
    BadResources,         // the tree is damaged, or larger than its section
    OtherDataInResources, // (RewriteResources) the resource section holds more than the tree
    SectionInTheWay,      // (RewriteResources) data behind the resources would have to move and cannot
};

// "not a PE image", "truncated", ... (or "" for Ok).
std::string_view PeResultText(PeResult result);

// Resource types this project reads or writes.
inline constexpr uint32_t kRtRcData = 10;
inline constexpr uint32_t kRtVersion = 16;
inline constexpr uint32_t kRtManifest = 24;

// The COFF header's machine of a 32-bit x86 image, and its characteristic that marks a DLL.
inline constexpr uint16_t kMachineI386 = 0x14C;
inline constexpr uint16_t kCharacteristicDll = 0x2000;
// The optional header's subsystems of a program with windows and of a console program.
inline constexpr uint16_t kSubsystemWindowsGui = 2;
inline constexpr uint16_t kSubsystemWindowsConsole = 3;

struct PeHeaders {
    uint16_t machine = 0;
    uint16_t characteristics = 0; // the COFF header's
    bool plus = false;            // PE32+ (64-bit) rather than PE32
    uint16_t subsystem = 0;
    uint32_t entryPoint = 0; // an address relative to the image base, 0 for none
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    uint32_t checkSum = 0;
    uint32_t symbolTable = 0; // file offset of the COFF symbol table, 0 for none
    uint32_t symbolCount = 0;
    uint64_t symbolTableSize = 0; // the symbols and the string table behind them
    size_t coff = 0;              // file offset of the COFF header
    size_t optional = 0;          // file offset of the optional header
    size_t directories = 0;       // file offset of the first data directory
    size_t sectionTableEnd = 0;
    uint32_t sizeOfHeaders = 0;
};

struct PeSection {
    std::string name;  // up to 8 bytes, NULs removed
    size_t header = 0; // file offset of its entry in the section table
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;
    // The part of the section that file bytes back; raw data beyond the virtual size is padding.
    uint32_t MappedSize() const { return virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize; }
    // The section's size in memory before alignment.
    uint32_t VirtualSpan() const { return virtualSize != 0 ? virtualSize : rawSize; }
};

// A data directory: an address relative to the image base and a size; the certificate table's address
// is a file offset instead.
struct PeDataDirectory {
    uint32_t address = 0;
    uint32_t size = 0;
};
inline constexpr size_t kDebugDirectory = 6;
inline constexpr size_t kResourceDirectory = 2;
inline constexpr size_t kSecurityDirectory = 4;

struct PeResourceId {
    bool named = false;
    uint32_t number = 0;
    std::u16string name;
    bool operator==(const PeResourceId&) const = default;
};

// The fields of a directory table before its entries.
struct PeDirectoryHeader {
    uint32_t characteristics = 0;
    uint32_t timeDateStamp = 0;
    uint16_t majorVersion = 0;
    uint16_t minorVersion = 0;
    bool operator==(const PeDirectoryHeader&) const = default;
};

struct PeResourceLanguage {
    PeResourceId id;
    uint32_t codePage = 0;
    uint32_t reserved = 0;
    std::string bytes;
    bool operator==(const PeResourceLanguage&) const = default;
};

struct PeResourceName {
    PeResourceId id;
    PeDirectoryHeader header;
    std::vector<PeResourceLanguage> languages; // never empty in a tree read from a file
    bool operator==(const PeResourceName&) const = default;
};

struct PeResourceType {
    PeResourceId id;
    PeDirectoryHeader header;
    std::vector<PeResourceName> names;
    bool operator==(const PeResourceType&) const = default;
};

struct PeResourceTree {
    PeDirectoryHeader header;
    std::vector<PeResourceType> types; // in table order, as are names and languages
    bool operator==(const PeResourceTree&) const = default;
};

struct PeImage {
    PeHeaders headers;
    std::vector<PeSection> sections;
    std::vector<PeDataDirectory> directories; // as many as the header counts and has room for
    std::optional<size_t> resourceSection;    // index into sections, when there is a resource directory
    PeResourceTree resources;                 // empty without a resource directory

    bool IsDll() const { return (headers.characteristics & kCharacteristicDll) != 0; }
    PeDataDirectory Directory(size_t index) const {
        return index < directories.size() ? directories[index] : PeDataDirectory{};
    }
};

// Reads the headers, the section table and the data directories of `file`; `image.resources` stays
// empty. Every section's file data, the symbol table and the certificate table must lie inside the file
// (a launcher cut short once repacked fine and then did not start), the alignments
// must be powers of two with the file's no larger than the sections'. `image` is reset first and holds
// nothing useful unless the result is Ok.
PeResult ReadPeHeaders(std::string_view file, PeImage& image);

// ReadPeHeaders, then the three levels of the resource tree (type, name, language) with every
// directory's header and every data entry's code page and bytes. The tree must fill a section of its own
// from its start, as resource compilers lay it out, and its data must lie in that section. Every
// directory, name and data block counts against a budget of that section's size each time an entry
// reaches it, so shared parts cannot make the tree larger than the section. An image without a resource
// directory gives Ok and an empty tree. `image` holds nothing useful unless the result is Ok.
PeResult ReadPeImage(std::string_view file, PeImage& image);

// The name as list prints it: UTF-16 turned into UTF-8, or "#<number>".
std::string ResourceIdText(const PeResourceId& id);

// The type `number` of `tree`, or nullptr.
const PeResourceType* FindResourceType(const PeResourceTree& tree, uint32_t number);
PeResourceType* FindResourceType(PeResourceTree& tree, uint32_t number);

// What a file is, as far as the launcher is concerned: it can start a program, and a 32-bit one on every
// Windows it runs on; a console program (subsystem 3) runs in a console window of its own.
enum class PeKind { Program32, Console32, Program64, Console64, Dll32, Dll64, Other };

// The kind of `file`: Other for anything ReadPeHeaders refuses.
PeKind PeKindOf(std::string_view file);

// "program32", "console32", "program64", "console64", "dll32", "dll64", "other".
std::string_view PeKindWord(PeKind kind);

struct PeRewrite {
    std::string image;
    bool signatureRemoved = false;
};

// `file` (read into `image` by ReadPeImage) with `tree` as its resources; `out` is only written when the
// result is Ok. Lays the tree out afresh in place of its section, each distinct name once, and keeps every
// other byte and header field apart from what the new size forces: the resource section's sizes, the file
// offsets of the sections behind it, the addresses of those behind it in memory (only discardable ones,
// like the relocations, may move: nothing but the data directories points into them) with the data
// directories into them, the image and initialised-data sizes, the symbol table's offset and the
// checksum. An Authenticode signature no longer matches the new bytes and is removed. Refused: an image
// without resources (NoResources); a resource section that shares its memory or file bytes with the
// headers, another section, a data directory, the entry point, debug data or the symbol table
// (OtherDataInResources); a section behind the resources that would move and is not discardable, a data
// directory behind them outside every section, debug data behind them that would move, or a certificate
// table that is not the file's tail (SectionInTheWay). The new section holds no more than what the tree
// read from it was charged, plus what new data adds and the alignment of each data block.
PeResult RewriteResources(std::string_view file, const PeImage& image, const PeResourceTree& tree,
                          PeRewrite& out);
