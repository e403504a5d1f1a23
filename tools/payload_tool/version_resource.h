// A version resource (VS_VERSIONINFO), the block Windows' file properties show: the fixed part with the
// file and product versions, one table of named texts (company, copyright, ...) for one language and
// code page, and the translation that names them. Written whole; its texts read back from any version
// resource (the fixed version is settings/program_facts.h's FixedFileVersion).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/program_facts.h"

using VersionTexts = std::vector<std::pair<std::u16string, std::u16string>>; // name, text

struct VersionResource {
    FileVersion fileVersion;
    FileVersion productVersion;
    uint32_t fileOs = 0x0004'0004; // VOS_NT_WINDOWS32
    uint32_t fileType = 1;         // VFT_APP
    uint16_t language = 0;         // of the texts, with
    uint16_t codePage = 0;         // the code page that the platform shows them in
    VersionTexts texts;            // in this order
};

// The resource's bytes, every block aligned to four bytes as the platform reads them.
std::string EncodeVersionResource(const VersionResource& resource);

// The texts of the first table of a version resource, each cut at its first NUL; nullopt when the
// blocks do not nest inside one another.
std::optional<VersionTexts> ReadVersionTexts(std::string_view resource);
