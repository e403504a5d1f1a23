#include "tools/payload_tool/pe_resource_writer.h"

#include <algorithm>

#include "tools/payload_tool/pe_bytes.h"

namespace {

constexpr uint32_t kDiscardable = 0x0200'0000u;
constexpr uint32_t kInitialisedData = 0x0000'0040u;
constexpr size_t kSecurityDirectory = 4;
constexpr uint32_t kDataAlignment = 8;

uint64_t AlignUp(uint64_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

struct Section {
    size_t header; // offset of its section header in the file
    uint32_t virtualSize;
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
    uint32_t characteristics;
    uint32_t MappedSize() const { return virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize; }
    uint32_t VirtualSpan() const { return virtualSize != 0 ? virtualSize : rawSize; }
};

// Where the fields that a rewrite touches sit, and the sections.
struct PeLayout {
    size_t coff = 0;
    size_t optional = 0;
    size_t directories = 0;
    uint32_t directoryCount = 0;
    uint32_t sectionAlignment = 0;
    uint32_t fileAlignment = 0;
    size_t sectionTableEnd = 0;
    std::vector<Section> sections;
    size_t resource = 0; // index of the resource section

    size_t DirectoryField(size_t index) const { return directories + index * 8; }
    static constexpr size_t kCheckSum = 64;
    static constexpr size_t kSizeOfImage = 56;
    static constexpr size_t kSizeOfInitialisedData = 8;
};

PeWriteResult ReadLayout(std::string_view image, PeLayout& pe) {
    if (image.size() < 2 || image.substr(0, 2) != "MZ") return PeWriteResult::NotPe;
    if (!Fits(image, 0x3C, 4)) return PeWriteResult::Truncated;
    const uint64_t peOffset = Get32(image, 0x3C);
    if (!Fits(image, peOffset, 4 + kCoffHeaderSize + 2)) return PeWriteResult::Truncated;
    if (image.substr(peOffset, 4) != std::string_view("PE\0\0", 4)) return PeWriteResult::NotPe;
    pe.coff = peOffset + 4;
    pe.optional = pe.coff + kCoffHeaderSize;
    const uint32_t sectionCount = Get16(image, pe.coff + 2);
    const uint32_t optionalSize = Get16(image, pe.coff + 16);
    const uint32_t magic = Get16(image, pe.optional);
    if (magic != 0x10B && magic != 0x20B) return PeWriteResult::NotPe;
    const size_t countField = magic == 0x10B ? 92 : 108;
    if (optionalSize < countField + 4) return PeWriteResult::NotPe;
    if (!Fits(image, pe.optional, optionalSize)) return PeWriteResult::Truncated;
    pe.sectionAlignment = Get32(image, pe.optional + 32);
    pe.fileAlignment = Get32(image, pe.optional + 36);
    if (!IsPowerOfTwo(pe.sectionAlignment) || !IsPowerOfTwo(pe.fileAlignment) ||
        pe.fileAlignment > pe.sectionAlignment) {
        return PeWriteResult::NotPe;
    }
    pe.directories = pe.optional + countField + 4;
    pe.directoryCount = std::min<uint32_t>(Get32(image, pe.optional + countField),
                                           static_cast<uint32_t>((optionalSize - countField - 4) / 8));
    const uint64_t sectionTable = pe.optional + optionalSize;
    pe.sectionTableEnd = sectionTable + sectionCount * kSectionHeaderSize;
    if (!Fits(image, sectionTable, sectionCount * kSectionHeaderSize)) return PeWriteResult::Truncated;
    for (size_t at = sectionTable; at < pe.sectionTableEnd; at += kSectionHeaderSize) {
        pe.sections.push_back({at, Get32(image, at + 8), Get32(image, at + 12), Get32(image, at + 16),
                               Get32(image, at + 20), Get32(image, at + 36)});
    }
    if (pe.directoryCount <= kResourceDirectory) return PeWriteResult::NoResources;
    const uint32_t resourceRva = Get32(image, pe.DirectoryField(kResourceDirectory));
    if (resourceRva == 0) return PeWriteResult::NoResources;
    for (pe.resource = 0; pe.resource < pe.sections.size(); ++pe.resource) {
        if (pe.sections[pe.resource].virtualAddress == resourceRva) break;
    }
    if (pe.resource == pe.sections.size()) return PeWriteResult::BadResources;
    const Section& resources = pe.sections[pe.resource];
    if (!Fits(image, resources.rawOffset, resources.rawSize)) return PeWriteResult::Truncated;
    if (resources.rawOffset < pe.sectionTableEnd) return PeWriteResult::BadResources;
    return PeWriteResult::Ok;
}

class TreeReader {
  public:
    TreeReader(std::string_view section, uint32_t baseRva, size_t imageSize)
        : section_(section), base_(baseRva), entryBudget_(imageSize / kDirectoryEntrySize),
          dataBudget_(imageSize) {}

    bool Read(PeResourceTree& tree) {
        std::vector<Entry> types;
        if (!ReadDirectory(0, tree.header, types)) return false;
        for (const Entry& type : types) {
            PeResourceType& node = tree.types.emplace_back();
            node.id = type.id;
            std::vector<Entry> names;
            if (!type.isDirectory || !ReadDirectory(type.target, node.header, names)) return false;
            for (const Entry& name : names) {
                PeResourceName& leaf = node.names.emplace_back();
                leaf.id = name.id;
                if (!name.isDirectory || !ReadLanguages(name.target, leaf)) return false;
            }
        }
        return true;
    }

  private:
    struct Entry {
        PeResourceId id;
        bool isDirectory;
        uint32_t target;
    };

    bool ReadLanguages(uint32_t offset, PeResourceName& name) {
        std::vector<Entry> languages;
        if (!ReadDirectory(offset, name.header, languages)) return false;
        for (const Entry& language : languages) {
            if (language.isDirectory || !Fits(section_, language.target, kDataEntrySize)) return false;
            const uint64_t dataOffset = uint64_t{Get32(section_, language.target)} - base_;
            const uint32_t size = Get32(section_, language.target + 4);
            if (Get32(section_, language.target) < base_ || !Fits(section_, dataOffset, size)) return false;
            if (size > dataBudget_) return false;
            dataBudget_ -= size;
            name.languages.push_back({language.id, Get32(section_, language.target + 8),
                                      Get32(section_, language.target + 12),
                                      std::string(section_.substr(dataOffset, size))});
        }
        return true;
    }

    bool ReadDirectory(uint32_t offset, PeDirectoryHeader& header, std::vector<Entry>& entries) {
        if (!Fits(section_, offset, kDirectoryHeaderSize)) return false;
        header = {Get32(section_, offset), Get32(section_, offset + 4),
                  static_cast<uint16_t>(Get16(section_, offset + 8)),
                  static_cast<uint16_t>(Get16(section_, offset + 10))};
        const uint64_t count = uint64_t{Get16(section_, offset + 12)} + Get16(section_, offset + 14);
        const uint64_t first = uint64_t{offset} + kDirectoryHeaderSize;
        if (!Fits(section_, first, count * kDirectoryEntrySize) || count > entryBudget_) return false;
        entryBudget_ -= count;
        for (uint64_t at = first; at < first + count * kDirectoryEntrySize; at += kDirectoryEntrySize) {
            const uint32_t name = Get32(section_, at);
            const uint32_t target = Get32(section_, at + 4);
            Entry entry{{(name & kHighBit) != 0, name, {}}, (target & kHighBit) != 0, target & ~kHighBit};
            if (entry.id.named) {
                entry.id.number = 0;
                if (!ReadName(name & ~kHighBit, entry.id.name)) return false;
            }
            entries.push_back(std::move(entry));
        }
        return true;
    }

    bool ReadName(uint32_t offset, std::u16string& name) const {
        if (!Fits(section_, offset, 2)) return false;
        const uint32_t length = Get16(section_, offset);
        if (!Fits(section_, uint64_t{offset} + 2, uint64_t{length} * 2)) return false;
        for (uint32_t i = 0; i < length; ++i)
            name += static_cast<char16_t>(Get16(section_, offset + 2 + 2 * i));
        return true;
    }

    std::string_view section_;
    uint32_t base_; // the section's virtual address: data entries hold addresses, not offsets
    size_t entryBudget_;
    size_t dataBudget_;
};

// The tree in the order resource compilers use: the directory tables level by level, the data entries,
// the names, then the data, each item aligned for the loader.
class TreeLayout {
  public:
    TreeLayout(const PeResourceTree& tree, uint32_t baseRva) : tree_(tree), base_(baseRva) {}

    std::string Write() {
        size_t cursor = DirectorySize(tree_.types.size());
        for (const PeResourceType& type : tree_.types) cursor += DirectorySize(type.names.size());
        for (const PeResourceType& type : tree_.types)
            for (const PeResourceName& name : type.names) cursor += DirectorySize(name.languages.size());
        const size_t dataEntries = cursor;
        for (const PeResourceType& type : tree_.types)
            for (const PeResourceName& name : type.names) cursor += kDataEntrySize * name.languages.size();
        out_.assign(cursor, '\0');

        size_t nextDirectory = DirectorySize(tree_.types.size());
        size_t nextLanguageDirectory = nextDirectory;
        for (const PeResourceType& type : tree_.types)
            nextLanguageDirectory += DirectorySize(type.names.size());
        size_t nextDataEntry = dataEntries;
        std::vector<std::pair<size_t, const PeResourceLanguage*>> data;

        std::vector<uint32_t> typeTargets;
        for (const PeResourceType& type : tree_.types) {
            typeTargets.push_back(static_cast<uint32_t>(nextDirectory) | kHighBit);
            std::vector<uint32_t> nameTargets;
            for (const PeResourceName& name : type.names) {
                nameTargets.push_back(static_cast<uint32_t>(nextLanguageDirectory) | kHighBit);
                std::vector<uint32_t> languageTargets;
                for (const PeResourceLanguage& language : name.languages) {
                    languageTargets.push_back(static_cast<uint32_t>(nextDataEntry));
                    data.emplace_back(nextDataEntry, &language);
                    nextDataEntry += kDataEntrySize;
                }
                WriteDirectory(nextLanguageDirectory, name.header, name.languages, languageTargets);
                nextLanguageDirectory += DirectorySize(name.languages.size());
            }
            WriteDirectory(nextDirectory, type.header, type.names, nameTargets);
            nextDirectory += DirectorySize(type.names.size());
        }
        WriteDirectory(0, tree_.header, tree_.types, typeTargets);

        for (const auto& [entry, language] : data) {
            out_.resize(AlignUp(out_.size(), kDataAlignment), '\0');
            // Empty data points at the section's start: the end of the section is no address of it.
            const size_t at = language->bytes.empty() ? 0 : out_.size();
            Put32(out_, entry, static_cast<uint32_t>(base_ + at));
            Put32(out_, entry + 4, static_cast<uint32_t>(language->bytes.size()));
            Put32(out_, entry + 8, language->codePage);
            Put32(out_, entry + 12, language->reserved);
            out_ += language->bytes;
        }
        return out_;
    }

  private:
    static size_t DirectorySize(size_t entries) {
        return kDirectoryHeaderSize + kDirectoryEntrySize * entries;
    }

    template <typename Child>
    void WriteDirectory(size_t at, const PeDirectoryHeader& header, const std::vector<Child>& children,
                        const std::vector<uint32_t>& targets) {
        Put32(out_, at, header.characteristics);
        Put32(out_, at + 4, header.timeDateStamp);
        Put16(out_, at + 8, header.majorVersion);
        Put16(out_, at + 10, header.minorVersion);
        uint32_t named = 0;
        for (size_t i = 0; i < children.size(); ++i) {
            const size_t entry = at + kDirectoryHeaderSize + i * kDirectoryEntrySize;
            Put32(out_, entry,
                  children[i].id.named ? NameOffset(children[i].id.name) : children[i].id.number);
            Put32(out_, entry + 4, targets[i]);
            named += children[i].id.named ? 1 : 0;
        }
        Put16(out_, at + 12, named);
        Put16(out_, at + 14, static_cast<uint32_t>(children.size()) - named);
    }

    // Names go behind the data entries, where the tables have been laid out already.
    uint32_t NameOffset(const std::u16string& name) {
        const size_t offset = out_.size();
        out_.resize(offset + 2 + 2 * name.size(), '\0');
        Put16(out_, offset, static_cast<uint32_t>(name.size()));
        for (size_t i = 0; i < name.size(); ++i) Put16(out_, offset + 2 + 2 * i, name[i]);
        return static_cast<uint32_t>(offset) | kHighBit;
    }

    const PeResourceTree& tree_;
    uint32_t base_;
    std::string out_;
};

// The checksum the loader checks for drivers and signing tools keep right: the file's 16-bit words
// summed with end-around carry, the checksum field itself left out, plus the file's length.
uint32_t PeCheckSum(std::string_view image, size_t checkSumField) {
    uint32_t sum = 0;
    for (size_t at = 0; at < image.size(); at += 2) {
        if (at == checkSumField || at == checkSumField + 2) continue;
        const uint32_t word = at + 1 < image.size() ? Get16(image, at) : static_cast<uint8_t>(image[at]);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<uint32_t>(image.size());
}

// Adds `delta` to the 32-bit field at `offset`; false when the result leaves 0 .. 2^32 - 1.
bool Shift32(std::string& image, size_t offset, int64_t delta) {
    const int64_t value = int64_t{Get32(image, offset)} + delta;
    if (value < 0 || value > int64_t{UINT32_MAX}) return false;
    Put32(image, offset, static_cast<uint32_t>(value));
    return true;
}

class Rewriter {
  public:
    Rewriter(std::string_view image, const PeLayout& pe) : image_(image), pe_(pe) {}

    PeWriteResult Write(const PeResourceTree& tree, PeRewrite& out) {
        const Section& resources = pe_.sections[pe_.resource];
        const std::string section = TreeLayout(tree, resources.virtualAddress).Write();
        const uint64_t newRawSize = AlignUp(section.size(), pe_.fileAlignment);
        const uint64_t oldRawEnd = uint64_t{resources.rawOffset} + resources.rawSize;
        const uint64_t oldVirtualEnd =
            AlignUp(uint64_t{resources.virtualAddress} + resources.VirtualSpan(), pe_.sectionAlignment);
        const uint64_t newVirtualEnd =
            AlignUp(uint64_t{resources.virtualAddress} + section.size(), pe_.sectionAlignment);
        if (newVirtualEnd > UINT32_MAX || resources.rawOffset + newRawSize > UINT32_MAX)
            return PeWriteResult::BadResources;
        rawDelta_ = static_cast<int64_t>(newRawSize) - resources.rawSize;
        virtualDelta_ = static_cast<int64_t>(newVirtualEnd) - static_cast<int64_t>(oldVirtualEnd);
        oldRawEnd_ = oldRawEnd;
        oldVirtualEnd_ = oldVirtualEnd;

        uint64_t certificateOffset = 0;
        uint64_t certificateSize = 0;
        if (pe_.directoryCount > kSecurityDirectory) {
            certificateOffset = Get32(image_, pe_.DirectoryField(kSecurityDirectory));
            certificateSize = Get32(image_, pe_.DirectoryField(kSecurityDirectory) + 4);
        }
        if (certificateSize != 0 && !Fits(image_, certificateOffset, certificateSize))
            return PeWriteResult::Truncated;
        // The certificate table is the file's tail, behind every section.
        if (certificateSize != 0 && certificateOffset < oldRawEnd) return PeWriteResult::BadResources;

        std::string image(image_.substr(0, resources.rawOffset));
        image += section;
        image.resize(resources.rawOffset + newRawSize, '\0');
        if (certificateSize == 0) {
            image += image_.substr(oldRawEnd);
        } else {
            image += image_.substr(oldRawEnd, certificateOffset - oldRawEnd);
            image += image_.substr(certificateOffset + certificateSize);
            Put32(image, pe_.DirectoryField(kSecurityDirectory), 0);
            Put32(image, pe_.DirectoryField(kSecurityDirectory) + 4, 0);
        }

        Put32(image, resources.header + 8, static_cast<uint32_t>(section.size()));
        Put32(image, resources.header + 16, static_cast<uint32_t>(newRawSize));
        Put32(image, pe_.DirectoryField(kResourceDirectory) + 4, static_cast<uint32_t>(section.size()));
        const PeWriteResult moved = MoveSectionsBehind(image);
        if (moved != PeWriteResult::Ok) return moved;
        Put32(image, pe_.optional + PeLayout::kSizeOfImage, ImageSize(image));
        if ((resources.characteristics & kInitialisedData) != 0)
            Shift32(image, pe_.optional + PeLayout::kSizeOfInitialisedData, rawDelta_);
        const uint32_t symbols = Get32(image, pe_.coff + 8);
        if (symbols >= oldRawEnd && !Shift32(image, pe_.coff + 8, rawDelta_))
            return PeWriteResult::BadResources;
        Put32(image, pe_.optional + PeLayout::kCheckSum,
              PeCheckSum(image, pe_.optional + PeLayout::kCheckSum));
        out.image = std::move(image);
        out.signatureRemoved = certificateSize != 0;
        return PeWriteResult::Ok;
    }

  private:
    // The end of the last section in memory, as the loader maps it.
    uint32_t ImageSize(std::string_view image) const {
        uint64_t end = 0;
        for (const Section& section : pe_.sections) {
            const uint64_t start = Get32(image, section.header + 12);
            const uint64_t span = Get32(image, section.header + 8) != 0 ? Get32(image, section.header + 8)
                                                                        : Get32(image, section.header + 16);
            end = std::max(end, AlignUp(start + span, pe_.sectionAlignment));
        }
        return static_cast<uint32_t>(std::min<uint64_t>(end, UINT32_MAX));
    }

    PeWriteResult MoveSectionsBehind(std::string& image) const {
        const Section& resources = pe_.sections[pe_.resource];
        for (size_t i = 0; i < pe_.sections.size(); ++i) {
            const Section& section = pe_.sections[i];
            if (i == pe_.resource) continue;
            if (section.rawSize != 0 && section.rawOffset < resources.rawOffset &&
                uint64_t{section.rawOffset} + section.rawSize > resources.rawOffset) {
                return PeWriteResult::BadResources; // its bytes run into the resources
            }
            if (section.rawSize != 0 && section.rawOffset >= resources.rawOffset) {
                if (section.rawOffset < oldRawEnd_) return PeWriteResult::BadResources;
                if (!Shift32(image, section.header + 20, rawDelta_)) return PeWriteResult::BadResources;
            }
            if (section.virtualAddress > resources.virtualAddress) {
                if (section.virtualAddress < oldVirtualEnd_) return PeWriteResult::BadResources;
                if (virtualDelta_ != 0 && (section.characteristics & kDiscardable) == 0)
                    return PeWriteResult::SectionInTheWay;
                if (!Shift32(image, section.header + 12, virtualDelta_)) return PeWriteResult::BadResources;
            }
        }
        for (size_t index = 0; index < pe_.directoryCount; ++index) {
            const size_t field = pe_.DirectoryField(index);
            if (index == kSecurityDirectory || Get32(image, field) < oldVirtualEnd_) continue;
            if (!Shift32(image, field, virtualDelta_)) return PeWriteResult::BadResources;
        }
        return PeWriteResult::Ok;
    }

    std::string_view image_;
    const PeLayout& pe_;
    int64_t rawDelta_ = 0;
    int64_t virtualDelta_ = 0;
    uint64_t oldRawEnd_ = 0;
    uint64_t oldVirtualEnd_ = 0;
};

} // namespace

PeWriteResult ReadResourceTree(std::string_view image, PeResourceTree& tree) {
    tree = {};
    PeLayout pe;
    const PeWriteResult layout = ReadLayout(image, pe);
    if (layout != PeWriteResult::Ok) return layout;
    const Section& resources = pe.sections[pe.resource];
    TreeReader reader(image.substr(resources.rawOffset, resources.MappedSize()), resources.virtualAddress,
                      image.size());
    PeResourceTree found;
    if (!reader.Read(found)) return PeWriteResult::BadResources;
    tree = std::move(found);
    return PeWriteResult::Ok;
}

PeWriteResult RewriteResources(std::string_view image, const PeResourceTree& tree, PeRewrite& out) {
    PeLayout pe;
    const PeWriteResult layout = ReadLayout(image, pe);
    if (layout != PeWriteResult::Ok) return layout;
    return Rewriter(image, pe).Write(tree, out);
}

std::string_view PeWriteResultText(PeWriteResult result) {
    switch (result) {
    case PeWriteResult::Ok:
        return "";
    case PeWriteResult::NotPe:
        return "not a PE image";
    case PeWriteResult::Truncated:
        return "truncated";
    case PeWriteResult::NoResources:
        return "has no resources";
    case PeWriteResult::BadResources:
        return "corrupt resource directory";
    case PeWriteResult::SectionInTheWay:
        return "a section behind the resources cannot move";
    }
    return "unreadable";
}
