// Reads the RT_RCDATA resources out of a PE32 (or PE32+) image held in memory, without any platform API.
//
// Walks DOS header, PE header, section table and the resource directory's three levels (type 10, then
// name or id, then language) and copies each resource's bytes. Every offset and size is checked against
// the image before it is used; the walk has a fixed depth, so a directory that points back at itself
// cannot make it loop. Arbitrary bytes give one of the documented results, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class PeReadResult {
    Ok,
    NotPe,        // no MZ header, no PE signature, or an unknown optional-header magic
    Truncated,    // a header or the section table runs past the end of the file
    BadResources, // the resource directory or a resource's data lies outside the sections or the file
};

struct PeResource {
    std::string name; // the table's name, UTF-16 turned into UTF-8; "#<id>" for a numbered resource
    bool numbered = false;
    uint32_t language = 0;
    std::string bytes;
};

// The RT_RCDATA resources of `image` in table order, the first language of each name only (the one
// FindResourceA finds without a language of its own). An image without resources gives Ok and none.
// `resources` is cleared first and holds nothing unless the result is Ok.
PeReadResult ReadRcDataResources(std::string_view image, std::vector<PeResource>& resources);

// "not a PE image", "truncated", "corrupt resource directory" (or "" for Ok).
std::string_view PeReadResultText(PeReadResult result);
