#include "tools/payload_tool/pe_resources.h"

#include <optional>

#include "tools/payload_tool/pe_bytes.h"

namespace {

struct Section {
    uint32_t virtualAddress;
    uint32_t mappedSize; // the part that is backed by file bytes
    uint32_t rawOffset;
    uint32_t rawSize;
};

enum class MapResult { Ok, Outside, PastEnd };

class PeImage {
  public:
    explicit PeImage(std::string_view image) : image_(image) {}

    PeReadResult ReadHeaders(uint32_t& resourceRva) {
        if (image_.size() < 2 || image_.substr(0, 2) != "MZ") return PeReadResult::NotPe;
        if (!Fits(image_, 0x3C, 4)) return PeReadResult::Truncated;
        const uint64_t peOffset = Get32(image_, 0x3C);
        if (!Fits(image_, peOffset, 4 + kCoffHeaderSize + 2)) return PeReadResult::Truncated;
        if (image_.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) return PeReadResult::NotPe;
        const uint64_t coff = peOffset + 4;
        const uint16_t sectionCount = Get16(image_, coff + 2);
        const uint16_t optionalSize = Get16(image_, coff + 16);
        const uint64_t optional = coff + kCoffHeaderSize;
        size_t countOffset = 0;
        switch (Get16(image_, optional)) {
        case 0x10B:
            countOffset = 92;
            break; // PE32
        case 0x20B:
            countOffset = 108;
            break; // PE32+
        default:
            return PeReadResult::NotPe;
        }
        if (!Fits(image_, optional, optionalSize)) return PeReadResult::Truncated;
        const uint64_t sectionTable = optional + optionalSize;
        if (!Fits(image_, sectionTable, uint64_t{sectionCount} * kSectionHeaderSize))
            return PeReadResult::Truncated;
        for (uint16_t i = 0; i < sectionCount; ++i)
            sections_.push_back(ReadSection(sectionTable + i * kSectionHeaderSize));

        resourceRva = 0;
        const size_t directoryOffset = countOffset + 4 + kResourceDirectory * 8;
        if (optionalSize < directoryOffset + 8) return PeReadResult::Ok;
        if (Get32(image_, optional + countOffset) <= kResourceDirectory) return PeReadResult::Ok;
        resourceRva = Get32(image_, optional + directoryOffset);
        return PeReadResult::Ok;
    }

    // The file bytes of [rva, rva + length), or why there are none.
    MapResult Map(uint32_t rva, uint32_t length, std::string_view& bytes) const {
        for (const Section& section : sections_) {
            if (rva < section.virtualAddress) continue;
            const uint64_t inSection = rva - section.virtualAddress;
            if (inSection + length > section.mappedSize) continue;
            if (length == 0 && inSection >= section.mappedSize) continue;
            const uint64_t fileOffset = section.rawOffset + inSection;
            if (!Fits(image_, fileOffset, length)) return MapResult::PastEnd;
            bytes = image_.substr(fileOffset, length);
            return MapResult::Ok;
        }
        return MapResult::Outside;
    }

    // From `rva` to the end of its section's file-backed part.
    MapResult MapToSectionEnd(uint32_t rva, std::string_view& bytes) const {
        for (const Section& section : sections_) {
            if (rva < section.virtualAddress || rva - section.virtualAddress >= section.mappedSize) continue;
            const uint64_t inSection = rva - section.virtualAddress;
            const uint64_t fileOffset = section.rawOffset + inSection;
            const uint64_t length = section.mappedSize - inSection;
            if (!Fits(image_, fileOffset, length)) return MapResult::PastEnd;
            bytes = image_.substr(fileOffset, length);
            return MapResult::Ok;
        }
        return MapResult::Outside;
    }

  private:
    Section ReadSection(uint64_t offset) const {
        Section section;
        const uint32_t virtualSize = Get32(image_, offset + 8);
        section.virtualAddress = Get32(image_, offset + 12);
        section.rawSize = Get32(image_, offset + 16);
        section.rawOffset = Get32(image_, offset + 20);
        // Raw data beyond the virtual size is alignment padding and not part of the loaded image.
        section.mappedSize =
            virtualSize != 0 && virtualSize < section.rawSize ? virtualSize : section.rawSize;
        return section;
    }

    std::string_view image_;
    std::vector<Section> sections_;
};

struct Entry {
    uint32_t name;
    uint32_t data;
};

// The entries of the directory at `offset` in the resource section, or nullopt when it does not fit.
std::optional<std::vector<Entry>> ReadDirectory(std::string_view section, uint32_t offset) {
    if (!Fits(section, offset, kDirectoryHeaderSize)) return std::nullopt;
    const uint64_t count = uint64_t{Get16(section, offset + 12)} + Get16(section, offset + 14);
    const uint64_t first = uint64_t{offset} + kDirectoryHeaderSize;
    if (!Fits(section, first, count * kDirectoryEntrySize)) return std::nullopt;
    std::vector<Entry> entries;
    for (uint64_t i = 0; i < count; ++i) {
        const size_t at = static_cast<size_t>(first + i * kDirectoryEntrySize);
        entries.push_back({Get32(section, at), Get32(section, at + 4)});
    }
    return entries;
}

void AppendUtf8(std::string& out, uint16_t unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | unit >> 6);
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | unit >> 12);
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

std::optional<std::string> ReadName(std::string_view section, uint32_t offset) {
    if (!Fits(section, offset, 2)) return std::nullopt;
    const uint16_t length = Get16(section, offset);
    if (!Fits(section, uint64_t{offset} + 2, uint64_t{length} * 2)) return std::nullopt;
    std::string name;
    for (uint16_t i = 0; i < length; ++i) AppendUtf8(name, Get16(section, offset + 2 + 2 * i));
    return name;
}

PeReadResult FromMap(MapResult result) {
    return result == MapResult::PastEnd ? PeReadResult::Truncated : PeReadResult::BadResources;
}

class RcDataReader {
  public:
    RcDataReader(const PeImage& pe, std::string_view section, size_t imageSize)
        : pe_(pe), section_(section), budget_(imageSize) {}

    PeReadResult Read(std::vector<PeResource>& resources) {
        const std::optional<std::vector<Entry>> types = ReadDirectory(section_, 0);
        if (!types) return PeReadResult::BadResources;
        for (const Entry& type : *types) {
            if ((type.name & kHighBit) != 0 || type.name != kRtRcData) continue;
            if ((type.data & kHighBit) == 0) return PeReadResult::BadResources;
            return ReadNames(type.data & ~kHighBit, resources);
        }
        return PeReadResult::Ok;
    }

  private:
    PeReadResult ReadNames(uint32_t offset, std::vector<PeResource>& resources) {
        const std::optional<std::vector<Entry>> names = ReadDirectory(section_, offset);
        if (!names) return PeReadResult::BadResources;
        for (const Entry& entry : *names) {
            PeResource resource;
            resource.numbered = (entry.name & kHighBit) == 0;
            if (resource.numbered) {
                resource.name = std::to_string(entry.name);
                resource.name.insert(resource.name.begin(), '#');
            } else {
                std::optional<std::string> name = ReadName(section_, entry.name & ~kHighBit);
                if (!name) return PeReadResult::BadResources;
                resource.name = std::move(*name);
            }
            if ((entry.data & kHighBit) == 0) return PeReadResult::BadResources;
            const PeReadResult result = ReadFirstLanguage(entry.data & ~kHighBit, resource);
            if (result != PeReadResult::Ok) return result;
            resources.push_back(std::move(resource));
        }
        return PeReadResult::Ok;
    }

    PeReadResult ReadFirstLanguage(uint32_t offset, PeResource& resource) {
        const std::optional<std::vector<Entry>> languages = ReadDirectory(section_, offset);
        if (!languages || languages->empty()) return PeReadResult::BadResources;
        const Entry& language = languages->front();
        if ((language.data & kHighBit) != 0 || !Fits(section_, language.data, kDataEntrySize)) {
            return PeReadResult::BadResources;
        }
        resource.language = language.name;
        const uint32_t dataRva = Get32(section_, language.data);
        const uint32_t dataSize = Get32(section_, language.data + 4);
        // Entries that share their data would otherwise let a small file claim any amount of memory.
        if (dataSize > budget_) return PeReadResult::BadResources;
        budget_ -= dataSize;
        std::string_view bytes;
        const MapResult mapped = pe_.Map(dataRva, dataSize, bytes);
        if (mapped != MapResult::Ok) return FromMap(mapped);
        resource.bytes.assign(bytes.begin(), bytes.end());
        return PeReadResult::Ok;
    }

    const PeImage& pe_;
    std::string_view section_;
    size_t budget_;
};

} // namespace

PeReadResult ReadRcDataResources(std::string_view image, std::vector<PeResource>& resources) {
    resources.clear();
    PeImage pe(image);
    uint32_t resourceRva = 0;
    const PeReadResult headers = pe.ReadHeaders(resourceRva);
    if (headers != PeReadResult::Ok || resourceRva == 0) return headers;
    std::string_view section;
    const MapResult mapped = pe.MapToSectionEnd(resourceRva, section);
    if (mapped != MapResult::Ok) return FromMap(mapped);
    std::vector<PeResource> found;
    const PeReadResult result = RcDataReader(pe, section, image.size()).Read(found);
    if (result == PeReadResult::Ok) resources = std::move(found);
    return result;
}

std::string_view PeReadResultText(PeReadResult result) {
    switch (result) {
    case PeReadResult::Ok:
        return "";
    case PeReadResult::NotPe:
        return "not a PE image";
    case PeReadResult::Truncated:
        return "truncated";
    case PeReadResult::BadResources:
        return "corrupt resource directory";
    }
    return "unreadable";
}
