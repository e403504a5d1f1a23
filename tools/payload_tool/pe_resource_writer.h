// Reads the whole resource tree of a PE32 (or PE32+) image held in memory and writes the image again
// with a new tree, without any platform API. payload-tool's `replace` puts new payloads in this way.
// Arbitrary bytes give one of the documented results, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PeWriteResult {
    Ok,
    NotPe,          // no MZ header or PE signature, an unknown optional-header magic or impossible alignments
    Truncated,      // a header, the section table or a section's data runs past the end of the file
    NoResources,    // the image has no resource directory
    BadResources,   // the tree is damaged, or shares its section with other data
    SectionInTheWay // a section behind the resources would have to move and is not discardable
};

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
    std::vector<PeResourceLanguage> languages;
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

// Reads the three levels (type, name, language) with every directory's header and every data entry's
// code page, so that writing the tree back keeps all resources, not only RT_RCDATA. The tree must fill a
// section of its own from its start, as resource compilers lay it out, and its data must lie in that
// section. Shared directories and data are read once per reference, within a budget of the file's size,
// so a small file cannot claim much memory.
// `tree` is cleared first and holds nothing unless the result is Ok.
PeWriteResult ReadResourceTree(std::string_view image, PeResourceTree& tree);

struct PeRewrite {
    std::string image;
    bool signatureRemoved = false;
};

// `image` with `tree` as its resources; `out` is only written when the result is Ok.
// Lays the tree out afresh in place of that section and keeps every other byte and header field, apart
// from what the new size forces: the resource section's sizes, the file offsets of the sections behind
// it, the virtual addresses of those behind it in memory (only discardable ones, like the relocations,
// may move: nothing but the data directories points into them) with the data directories into them, the
// image and initialised-data sizes, the symbol table's offset and the checksum. An Authenticode
// signature no longer matches the new bytes and is removed.
PeWriteResult RewriteResources(std::string_view image, const PeResourceTree& tree, PeRewrite& out);

// "not a PE image", "truncated", ... (or "" for Ok).
std::string_view PeWriteResultText(PeWriteResult result);
