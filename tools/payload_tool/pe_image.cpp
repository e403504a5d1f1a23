#include "tools/payload_tool/pe_image.h"

#include <algorithm>
#include <map>
#include <utility>

#include "base/byte_order.h"
#include "tools/payload_tool/utf8_text.h"

namespace {

// Where the fields sit, each from the start of its record.
namespace dos {
constexpr size_t kPeOffset = 0x3C;
}
constexpr std::string_view kPeSignature("PE\0\0", 4);
namespace coff {
constexpr size_t kHeaderSize = 20;
constexpr size_t kMachine = 0;
constexpr size_t kSectionCount = 2;
constexpr size_t kSymbolTable = 8;
constexpr size_t kSymbolCount = 12;
constexpr size_t kOptionalSize = 16;
constexpr size_t kCharacteristics = 18;
constexpr size_t kSymbolSize = 18;
} // namespace coff
namespace optional {
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr size_t kMagic = 0;
constexpr size_t kSizeOfInitialisedData = 8;
constexpr size_t kEntryPoint = 16;
constexpr size_t kSectionAlignment = 32;
constexpr size_t kFileAlignment = 36;
constexpr size_t kSizeOfImage = 56;
constexpr size_t kSizeOfHeaders = 60;
constexpr size_t kCheckSum = 64;
constexpr size_t kSubsystem = 68;
constexpr size_t kDirectoryCountPe32 = 92; // the data directories follow the count
constexpr size_t kDirectoryCountPe32Plus = 108;
constexpr size_t kDirectorySize = 8;
} // namespace optional
namespace section {
constexpr size_t kHeaderSize = 40;
constexpr size_t kNameSize = 8;
constexpr size_t kVirtualSize = 8;
constexpr size_t kVirtualAddress = 12;
constexpr size_t kRawSize = 16;
constexpr size_t kRawOffset = 20;
constexpr size_t kCharacteristics = 36;
constexpr uint32_t kInitialisedData = 0x0000'0040u;
constexpr uint32_t kDiscardable = 0x0200'0000u;
} // namespace section
// A resource directory table is a header, then 8-byte entries (name or id, then target) whose high bits
// mark a name and a subtable; a data entry holds the data's address, its size, a code page and a reserved
// word.
namespace resource {
constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kTimeDateStamp = 4;
constexpr size_t kMajorVersion = 8;
constexpr size_t kMinorVersion = 10;
constexpr size_t kNamedCount = 12;
constexpr size_t kIdCount = 14;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr size_t kDataSize = 4;
constexpr size_t kCodePage = 8;
constexpr size_t kReserved = 12;
constexpr uint32_t kHighBit = 0x8000'0000u;
constexpr uint32_t kDataAlignment = 8;
} // namespace resource
namespace debug {
constexpr size_t kEntrySize = 28;
constexpr size_t kSizeOfData = 16;
constexpr size_t kAddressOfRawData = 20;
constexpr size_t kPointerToRawData = 24;
} // namespace debug

// True when `length` bytes from `offset` lie inside `bytes`; cannot overflow.
bool Fits(std::string_view bytes, uint64_t offset, uint64_t length) {
    return offset <= bytes.size() && length <= bytes.size() - offset;
}

uint64_t AlignUp(uint64_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

bool Overlap(uint64_t start, uint64_t end, uint64_t otherStart, uint64_t otherEnd) {
    return start < otherEnd && otherStart < end;
}

PeSection ReadSection(std::string_view file, size_t at) {
    PeSection entry;
    const std::string_view name = file.substr(at, section::kNameSize);
    entry.name = std::string(name.substr(0, name.find('\0')));
    entry.header = at;
    entry.virtualSize = GetLe32(file, at + section::kVirtualSize);
    entry.virtualAddress = GetLe32(file, at + section::kVirtualAddress);
    entry.rawSize = GetLe32(file, at + section::kRawSize);
    entry.rawOffset = GetLe32(file, at + section::kRawOffset);
    entry.characteristics = GetLe32(file, at + section::kCharacteristics);
    return entry;
}

PeResult ReadHeaders(std::string_view file, PeImage& image) {
    if (file.size() < 2 || file.substr(0, 2) != "MZ") return PeResult::NotPe;
    if (!Fits(file, dos::kPeOffset, 4)) return PeResult::Truncated;
    const uint64_t signature = GetLe32(file, dos::kPeOffset);
    if (!Fits(file, signature, kPeSignature.size() + coff::kHeaderSize + 2)) return PeResult::Truncated;
    if (file.substr(signature, kPeSignature.size()) != kPeSignature) return PeResult::NotPe;
    PeHeaders& headers = image.headers;
    headers.coff = signature + kPeSignature.size();
    headers.optional = headers.coff + coff::kHeaderSize;
    headers.machine = GetLe16(file, headers.coff + coff::kMachine);
    headers.symbolTable = GetLe32(file, headers.coff + coff::kSymbolTable);
    headers.symbolCount = GetLe32(file, headers.coff + coff::kSymbolCount);
    headers.characteristics = GetLe16(file, headers.coff + coff::kCharacteristics);
    const uint32_t sectionCount = GetLe16(file, headers.coff + coff::kSectionCount);
    const uint32_t optionalSize = GetLe16(file, headers.coff + coff::kOptionalSize);
    const uint16_t magic = GetLe16(file, headers.optional + optional::kMagic);
    if (magic != optional::kMagicPe32 && magic != optional::kMagicPe32Plus) return PeResult::NotPe;
    headers.plus = magic == optional::kMagicPe32Plus;
    const size_t countField =
        headers.plus ? optional::kDirectoryCountPe32Plus : optional::kDirectoryCountPe32;
    if (optionalSize < countField + 4) return PeResult::NotPe;
    if (!Fits(file, headers.optional, optionalSize)) return PeResult::Truncated;

    headers.entryPoint = GetLe32(file, headers.optional + optional::kEntryPoint);
    headers.sectionAlignment = GetLe32(file, headers.optional + optional::kSectionAlignment);
    headers.fileAlignment = GetLe32(file, headers.optional + optional::kFileAlignment);
    headers.sizeOfHeaders = GetLe32(file, headers.optional + optional::kSizeOfHeaders);
    headers.checkSum = GetLe32(file, headers.optional + optional::kCheckSum);
    headers.subsystem = GetLe16(file, headers.optional + optional::kSubsystem);
    // The loader refuses other alignments; the writer's arithmetic relies on them.
    if (!IsPowerOfTwo(headers.sectionAlignment) || !IsPowerOfTwo(headers.fileAlignment) ||
        headers.fileAlignment > headers.sectionAlignment) {
        return PeResult::NotPe;
    }

    headers.directories = headers.optional + countField + 4;
    const uint32_t room = static_cast<uint32_t>((optionalSize - countField - 4) / optional::kDirectorySize);
    const uint32_t directoryCount = std::min(GetLe32(file, headers.optional + countField), room);
    for (uint32_t i = 0; i < directoryCount; ++i) {
        const size_t at = headers.directories + i * optional::kDirectorySize;
        image.directories.push_back({GetLe32(file, at), GetLe32(file, at + 4)});
    }
    const PeDataDirectory certificate = image.Directory(kSecurityDirectory);
    if (certificate.size != 0 && !Fits(file, certificate.address, certificate.size))
        return PeResult::Truncated;

    const uint64_t sectionTable = headers.optional + optionalSize;
    if (!Fits(file, sectionTable, uint64_t{sectionCount} * section::kHeaderSize)) return PeResult::Truncated;
    for (uint32_t i = 0; i < sectionCount; ++i) {
        image.sections.push_back(ReadSection(file, sectionTable + i * section::kHeaderSize));
        const PeSection& added = image.sections.back();
        if (added.rawSize != 0 && !Fits(file, added.rawOffset, added.rawSize)) return PeResult::Truncated;
    }
    headers.sectionTableEnd = sectionTable + uint64_t{sectionCount} * section::kHeaderSize;
    if (headers.symbolTable != 0) {
        // The symbols, then a string table that starts with its own size.
        const uint64_t symbols = uint64_t{headers.symbolCount} * coff::kSymbolSize;
        if (!Fits(file, headers.symbolTable + symbols, 4)) return PeResult::Truncated;
        headers.symbolTableSize =
            symbols + std::max<uint32_t>(GetLe32(file, headers.symbolTable + symbols), 4);
        if (!Fits(file, headers.symbolTable, headers.symbolTableSize)) return PeResult::Truncated;
    }
    return PeResult::Ok;
}

// Reads the three levels of a resource tree from its section's file bytes. Each directory, data entry,
// name and data block is charged to a budget of the section's size every time an entry reaches it, so
// entries that share them cannot make the tree (or what is printed or written of it) larger than the
// section; the depth is fixed, so no loop is followed.
class TreeReader {
  public:
    TreeReader(std::string_view section, uint32_t baseRva)
        : section_(section), base_(baseRva), budget_(section.size()) {}

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

    bool Charge(uint64_t bytes) {
        if (bytes > budget_) return false;
        budget_ -= bytes;
        return true;
    }

    bool ReadLanguages(uint32_t offset, PeResourceName& name) {
        std::vector<Entry> languages;
        if (!ReadDirectory(offset, name.header, languages) || languages.empty()) return false;
        for (const Entry& language : languages) {
            const uint32_t at = language.target;
            if (language.isDirectory || !Fits(section_, at, resource::kDataEntrySize)) return false;
            const uint32_t address = GetLe32(section_, at);
            const uint32_t size = GetLe32(section_, at + resource::kDataSize);
            const uint64_t dataOffset = uint64_t{address} - base_;
            if (address < base_ || !Fits(section_, dataOffset, size)) return false;
            if (!Charge(uint64_t{resource::kDataEntrySize} + size)) return false;
            name.languages.push_back({language.id, GetLe32(section_, at + resource::kCodePage),
                                      GetLe32(section_, at + resource::kReserved),
                                      std::string(section_.substr(dataOffset, size))});
        }
        return true;
    }

    bool ReadDirectory(uint32_t offset, PeDirectoryHeader& header, std::vector<Entry>& entries) {
        if (!Fits(section_, offset, resource::kDirectoryHeaderSize)) return false;
        header = {GetLe32(section_, offset), GetLe32(section_, offset + resource::kTimeDateStamp),
                  GetLe16(section_, offset + resource::kMajorVersion),
                  GetLe16(section_, offset + resource::kMinorVersion)};
        const uint64_t count = uint64_t{GetLe16(section_, offset + resource::kNamedCount)} +
                               GetLe16(section_, offset + resource::kIdCount);
        const uint64_t first = uint64_t{offset} + resource::kDirectoryHeaderSize;
        if (!Fits(section_, first, count * resource::kEntrySize)) return false;
        if (!Charge(resource::kDirectoryHeaderSize + count * resource::kEntrySize)) return false;
        for (uint64_t at = first; at < first + count * resource::kEntrySize; at += resource::kEntrySize) {
            const uint32_t name = GetLe32(section_, at);
            const uint32_t target = GetLe32(section_, at + 4);
            Entry entry{{(name & resource::kHighBit) != 0, name, {}},
                        (target & resource::kHighBit) != 0,
                        target & ~resource::kHighBit};
            if (entry.id.named) {
                entry.id.number = 0;
                if (!ReadName(name & ~resource::kHighBit, entry.id.name)) return false;
            }
            entries.push_back(std::move(entry));
        }
        return true;
    }

    bool ReadName(uint32_t offset, std::u16string& name) {
        if (!Fits(section_, offset, 2)) return false;
        const uint32_t length = GetLe16(section_, offset);
        if (!Fits(section_, uint64_t{offset} + 2, uint64_t{length} * 2) || !Charge(2 + uint64_t{length} * 2))
            return false;
        name.resize(length);
        for (uint32_t i = 0; i < length; ++i)
            name[i] = static_cast<char16_t>(GetLe16(section_, offset + 2 + 2 * i));
        return true;
    }

    std::string_view section_;
    uint32_t base_; // the section's address: data entries hold addresses, not offsets
    uint64_t budget_;
};

// What TreeReader charges for `tree`: every directory, data entry and data block, and every name once
// for each entry that carries it.
uint64_t TreeCharge(const PeResourceTree& tree) {
    const auto directory = [](size_t entries) {
        return resource::kDirectoryHeaderSize + uint64_t{entries} * resource::kEntrySize;
    };
    const auto name = [](const PeResourceId& id) { return id.named ? 2 + 2 * uint64_t{id.name.size()} : 0; };
    uint64_t charge = directory(tree.types.size());
    for (const PeResourceType& type : tree.types) {
        charge += name(type.id) + directory(type.names.size());
        for (const PeResourceName& entry : type.names) {
            charge += name(entry.id) + directory(entry.languages.size());
            for (const PeResourceLanguage& language : entry.languages)
                charge += name(language.id) + resource::kDataEntrySize + language.bytes.size();
        }
    }
    return charge;
}

// The tree in the order resource compilers use: the directory tables level by level, the data entries,
// the names (each distinct one once), then the data, each block aligned for the loader.
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
            for (const PeResourceName& name : type.names)
                cursor += resource::kDataEntrySize * name.languages.size();
        out_.assign(cursor, '\0');

        size_t nextDirectory = DirectorySize(tree_.types.size());
        size_t nextLanguageDirectory = nextDirectory;
        for (const PeResourceType& type : tree_.types)
            nextLanguageDirectory += DirectorySize(type.names.size());
        size_t nextDataEntry = dataEntries;
        std::vector<std::pair<size_t, const PeResourceLanguage*>> data;

        std::vector<uint32_t> typeTargets;
        for (const PeResourceType& type : tree_.types) {
            typeTargets.push_back(static_cast<uint32_t>(nextDirectory) | resource::kHighBit);
            std::vector<uint32_t> nameTargets;
            for (const PeResourceName& name : type.names) {
                nameTargets.push_back(static_cast<uint32_t>(nextLanguageDirectory) | resource::kHighBit);
                std::vector<uint32_t> languageTargets;
                for (const PeResourceLanguage& language : name.languages) {
                    languageTargets.push_back(static_cast<uint32_t>(nextDataEntry));
                    data.emplace_back(nextDataEntry, &language);
                    nextDataEntry += resource::kDataEntrySize;
                }
                WriteDirectory(nextLanguageDirectory, name.header, name.languages, languageTargets);
                nextLanguageDirectory += DirectorySize(name.languages.size());
            }
            WriteDirectory(nextDirectory, type.header, type.names, nameTargets);
            nextDirectory += DirectorySize(type.names.size());
        }
        WriteDirectory(0, tree_.header, tree_.types, typeTargets);

        for (const auto& [entry, language] : data) {
            out_.resize(AlignUp(out_.size(), resource::kDataAlignment), '\0');
            // Empty data points at the section's start: the end of the section is no address of it.
            const size_t at = language->bytes.empty() ? 0 : out_.size();
            PutLe32(out_, entry, base_ + at);
            PutLe32(out_, entry + resource::kDataSize, language->bytes.size());
            PutLe32(out_, entry + resource::kCodePage, language->codePage);
            PutLe32(out_, entry + resource::kReserved, language->reserved);
            out_ += language->bytes;
        }
        return out_;
    }

  private:
    static size_t DirectorySize(size_t entries) {
        return resource::kDirectoryHeaderSize + resource::kEntrySize * entries;
    }

    template <typename Child>
    void WriteDirectory(size_t at, const PeDirectoryHeader& header, const std::vector<Child>& children,
                        const std::vector<uint32_t>& targets) {
        PutLe32(out_, at, header.characteristics);
        PutLe32(out_, at + resource::kTimeDateStamp, header.timeDateStamp);
        PutLe16(out_, at + resource::kMajorVersion, header.majorVersion);
        PutLe16(out_, at + resource::kMinorVersion, header.minorVersion);
        uint32_t named = 0;
        for (size_t i = 0; i < children.size(); ++i) {
            const size_t entry = at + resource::kDirectoryHeaderSize + i * resource::kEntrySize;
            PutLe32(out_, entry,
                    children[i].id.named ? NameOffset(children[i].id.name) : children[i].id.number);
            PutLe32(out_, entry + 4, targets[i]);
            named += children[i].id.named ? 1 : 0;
        }
        PutLe16(out_, at + resource::kNamedCount, named);
        PutLe16(out_, at + resource::kIdCount, children.size() - named);
    }

    // Names go behind the data entries, where the tables have been laid out already; a name that
    // several entries share is written once.
    uint32_t NameOffset(const std::u16string& name) {
        const auto [known, added] = names_.try_emplace(name, out_.size());
        if (added) {
            const size_t offset = out_.size();
            out_.resize(offset + 2 + 2 * name.size(), '\0');
            PutLe16(out_, offset, name.size());
            for (size_t i = 0; i < name.size(); ++i) PutLe16(out_, offset + 2 + 2 * i, name[i]);
        }
        return static_cast<uint32_t>(known->second) | resource::kHighBit;
    }

    const PeResourceTree& tree_;
    uint32_t base_;
    std::string out_;
    std::map<std::u16string, size_t> names_;
};

// The checksum the loader checks for drivers and signing tools keep right: the file's 16-bit words
// summed with end-around carry, the checksum field itself left out, plus the file's length.
uint32_t PeCheckSum(std::string_view image, size_t checkSumField) {
    uint32_t sum = 0;
    for (size_t at = 0; at < image.size(); at += 2) {
        if (at == checkSumField || at == checkSumField + 2) continue;
        const uint32_t word = at + 1 < image.size() ? GetLe16(image, at) : static_cast<uint8_t>(image[at]);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum + static_cast<uint32_t>(image.size());
}

// Adds `delta` to the 32-bit field at `offset`; false when the result leaves 0 .. 2^32 - 1.
bool Shift32(std::string& image, size_t offset, int64_t delta) {
    const int64_t value = int64_t{GetLe32(image, offset)} + delta;
    if (value < 0 || value > int64_t{UINT32_MAX}) return false;
    PutLe32(image, offset, static_cast<uint32_t>(value));
    return true;
}

class Rewriter {
  public:
    Rewriter(std::string_view file, const PeImage& image)
        : file_(file), image_(image), resources_(image.sections[*image.resourceSection]),
          oldRawEnd_(uint64_t{resources_.rawOffset} + resources_.rawSize),
          oldVirtualEnd_(AlignUp(uint64_t{resources_.virtualAddress} + resources_.VirtualSpan(),
                                 image.headers.sectionAlignment)) {}

    PeResult Write(const PeResourceTree& tree, PeRewrite& out) {
        PeResult result = CheckResourcesStandAlone();
        if (result != PeResult::Ok) return result;
        std::string section = TreeLayout(tree, resources_.virtualAddress).Write();
        // Entries that share a name take less room than the reader's budget charges them; the padding
        // keeps the new section readable by the reader that read the old one.
        section.resize(std::max<uint64_t>(section.size(), TreeCharge(tree)), '\0');
        const uint64_t newRawSize = AlignUp(section.size(), image_.headers.fileAlignment);
        const uint64_t newVirtualEnd =
            AlignUp(uint64_t{resources_.virtualAddress} + section.size(), image_.headers.sectionAlignment);
        if (newVirtualEnd > UINT32_MAX || resources_.rawOffset + newRawSize > UINT32_MAX)
            return PeResult::BadResources;
        rawDelta_ = static_cast<int64_t>(newRawSize) - resources_.rawSize;
        virtualDelta_ = static_cast<int64_t>(newVirtualEnd) - static_cast<int64_t>(oldVirtualEnd_);
        result = CheckDebugData();
        if (result != PeResult::Ok) return result;

        const PeDataDirectory certificate = image_.Directory(kSecurityDirectory);
        // The certificate table is the file's tail, behind every section.
        for (const PeSection& other : image_.sections) {
            if (certificate.size != 0 && other.rawSize != 0 &&
                certificate.address < uint64_t{other.rawOffset} + other.rawSize)
                return PeResult::SectionInTheWay;
        }

        std::string image(file_.substr(0, resources_.rawOffset));
        image += section;
        image.resize(resources_.rawOffset + newRawSize, '\0');
        if (certificate.size == 0) {
            image += file_.substr(oldRawEnd_);
        } else {
            image += file_.substr(oldRawEnd_, certificate.address - oldRawEnd_);
            image += file_.substr(uint64_t{certificate.address} + certificate.size);
            PutLe32(image, DirectoryField(kSecurityDirectory), 0);
            PutLe32(image, DirectoryField(kSecurityDirectory) + 4, 0);
        }

        PutLe32(image, resources_.header + section::kVirtualSize, section.size());
        PutLe32(image, resources_.header + section::kRawSize, newRawSize);
        PutLe32(image, DirectoryField(kResourceDirectory) + 4, section.size());
        result = MoveWhatLiesBehind(image);
        if (result != PeResult::Ok) return result;
        const size_t optionalHeader = image_.headers.optional;
        PutLe32(image, optionalHeader + optional::kSizeOfImage, ImageSize(image));
        if ((resources_.characteristics & section::kInitialisedData) != 0) {
            const int64_t size =
                int64_t{GetLe32(image, optionalHeader + optional::kSizeOfInitialisedData)} + rawDelta_;
            PutLe32(image, optionalHeader + optional::kSizeOfInitialisedData,
                    std::clamp<int64_t>(size, 0, UINT32_MAX));
        }
        if (image_.headers.symbolTable >= oldRawEnd_ &&
            !Shift32(image, image_.headers.coff + coff::kSymbolTable, rawDelta_)) {
            return PeResult::SectionInTheWay;
        }
        PutLe32(image, optionalHeader + optional::kCheckSum,
                PeCheckSum(image, optionalHeader + optional::kCheckSum));
        out.image = std::move(image);
        out.signatureRemoved = certificate.size != 0;
        return PeResult::Ok;
    }

  private:
    size_t DirectoryField(size_t index) const {
        return image_.headers.directories + index * optional::kDirectorySize;
    }

    bool InResourcesInMemory(uint64_t address, uint64_t size) const {
        return Overlap(address, address + std::max<uint64_t>(size, 1), resources_.virtualAddress,
                       oldVirtualEnd_);
    }

    bool InResourcesInFile(uint64_t offset, uint64_t size) const {
        return Overlap(offset, offset + std::max<uint64_t>(size, 1), resources_.rawOffset, oldRawEnd_);
    }

    // Whatever else lay in the resource section would be overwritten by the new tree: another section,
    // the headers, a data directory, the entry point or the symbol table.
    PeResult CheckResourcesStandAlone() const {
        if (resources_.rawOffset < image_.headers.sectionTableEnd) return PeResult::OtherDataInResources;
        for (const PeSection& other : image_.sections) {
            if (&other == &resources_) continue;
            const uint64_t virtualEnd = AlignUp(uint64_t{other.virtualAddress} + other.VirtualSpan(),
                                                image_.headers.sectionAlignment);
            if (Overlap(other.virtualAddress, virtualEnd, resources_.virtualAddress, oldVirtualEnd_) ||
                (other.rawSize != 0 && InResourcesInFile(other.rawOffset, other.rawSize))) {
                return PeResult::OtherDataInResources;
            }
        }
        for (size_t index = 0; index < image_.directories.size(); ++index) {
            const PeDataDirectory& directory = image_.directories[index];
            if (index == kResourceDirectory || index == kSecurityDirectory || directory.address == 0)
                continue;
            if (InResourcesInMemory(directory.address, directory.size)) return PeResult::OtherDataInResources;
        }
        if (image_.headers.entryPoint != 0 && InResourcesInMemory(image_.headers.entryPoint, 1))
            return PeResult::OtherDataInResources;
        const PeHeaders& headers = image_.headers;
        if (headers.symbolTable != 0 && InResourcesInFile(headers.symbolTable, headers.symbolTableSize)) {
            return PeResult::OtherDataInResources;
        }
        return PeResult::Ok;
    }

    // Debug entries hold file offsets and addresses of their data, which the writer would have to move:
    // data in the resources is refused, data behind them only when it would have to move.
    PeResult CheckDebugData() const {
        const PeDataDirectory directory = image_.Directory(kDebugDirectory);
        if (directory.address == 0 || directory.size == 0) return PeResult::Ok;
        std::string_view entries;
        if (!MapToFile(directory.address, directory.size, entries)) return PeResult::Truncated;
        for (size_t at = 0; at + debug::kEntrySize <= entries.size(); at += debug::kEntrySize) {
            const uint32_t size = GetLe32(entries, at + debug::kSizeOfData);
            const uint32_t address = GetLe32(entries, at + debug::kAddressOfRawData);
            const uint32_t offset = GetLe32(entries, at + debug::kPointerToRawData);
            if ((address != 0 && InResourcesInMemory(address, size)) ||
                (offset != 0 && InResourcesInFile(offset, size)))
                return PeResult::OtherDataInResources;
            if ((address >= oldVirtualEnd_ && virtualDelta_ != 0) || (offset >= oldRawEnd_ && rawDelta_ != 0))
                return PeResult::SectionInTheWay;
        }
        return PeResult::Ok;
    }

    // The file bytes of [address, address + size): in the headers or in a section's file data.
    bool MapToFile(uint32_t address, uint32_t size, std::string_view& bytes) const {
        if (uint64_t{address} + size <= image_.headers.sizeOfHeaders) {
            if (!Fits(file_, address, size)) return false;
            bytes = file_.substr(address, size);
            return true;
        }
        for (const PeSection& section : image_.sections) {
            const uint64_t inSection = uint64_t{address} - section.virtualAddress;
            if (address < section.virtualAddress || inSection + size > section.MappedSize()) continue;
            bytes = file_.substr(section.rawOffset + inSection, size);
            return true;
        }
        return false;
    }

    // The end of the last section in memory, as the loader maps it.
    uint32_t ImageSize(std::string_view image) const {
        uint64_t end = 0;
        for (const PeSection& old : image_.sections) {
            const PeSection now = ReadSection(image, old.header);
            end = std::max(end, AlignUp(uint64_t{now.virtualAddress} + now.VirtualSpan(),
                                        image_.headers.sectionAlignment));
        }
        return static_cast<uint32_t>(std::min<uint64_t>(end, UINT32_MAX));
    }

    // Moves the sections behind the resources in the file and in memory, and the data directories into
    // those that move in memory; each directory must lie inside one of them.
    PeResult MoveWhatLiesBehind(std::string& image) const {
        for (const PeSection& section : image_.sections) {
            if (&section == &resources_) continue;
            if (section.rawSize != 0 && section.rawOffset >= oldRawEnd_ &&
                !Shift32(image, section.header + section::kRawOffset, rawDelta_)) {
                return PeResult::SectionInTheWay;
            }
            if (section.virtualAddress >= oldVirtualEnd_) {
                if (virtualDelta_ != 0 && (section.characteristics & section::kDiscardable) == 0)
                    return PeResult::SectionInTheWay;
                if (!Shift32(image, section.header + section::kVirtualAddress, virtualDelta_))
                    return PeResult::SectionInTheWay;
            }
        }
        for (size_t index = 0; index < image_.directories.size(); ++index) {
            const PeDataDirectory& directory = image_.directories[index];
            if (index == kSecurityDirectory || directory.address < oldVirtualEnd_) continue;
            if (!InsideASectionBehind(directory)) return PeResult::SectionInTheWay;
            if (!Shift32(image, DirectoryField(index), virtualDelta_)) return PeResult::SectionInTheWay;
        }
        return PeResult::Ok;
    }

    bool InsideASectionBehind(const PeDataDirectory& directory) const {
        for (const PeSection& section : image_.sections) {
            if (section.virtualAddress < oldVirtualEnd_) continue;
            const uint64_t end = uint64_t{section.virtualAddress} + section.VirtualSpan();
            if (directory.address >= section.virtualAddress &&
                uint64_t{directory.address} + directory.size <= end)
                return true;
        }
        return false;
    }

    std::string_view file_;
    const PeImage& image_;
    const PeSection& resources_;
    uint64_t oldRawEnd_;
    uint64_t oldVirtualEnd_;
    int64_t rawDelta_ = 0;
    int64_t virtualDelta_ = 0;
};

} // namespace

std::string_view PeResultText(PeResult result) {
    switch (result) {
    case PeResult::Ok:
        return "";
    case PeResult::NotPe:
        return "not a PE image";
    case PeResult::Truncated:
        return "truncated";
    case PeResult::NoResources:
        return "has no resources";
    case PeResult::BadResources:
        return "corrupt resource directory";
    case PeResult::OtherDataInResources:
        return "other data lies in the resource section";
    case PeResult::SectionInTheWay:
        return "data behind the resources cannot move";
    }
    return "unreadable";
}

PeResult ReadPeHeaders(std::string_view file, PeImage& image) {
    image = {};
    return ReadHeaders(file, image);
}

PeResult ReadPeImage(std::string_view file, PeImage& image) {
    const PeResult headers = ReadPeHeaders(file, image);
    if (headers != PeResult::Ok) return headers;
    const uint32_t address = image.Directory(kResourceDirectory).address;
    if (address == 0) return PeResult::Ok;
    const auto found =
        std::find_if(image.sections.begin(), image.sections.end(),
                     [&](const PeSection& section) { return section.virtualAddress == address; });
    if (found == image.sections.end()) return PeResult::BadResources;
    image.resourceSection = static_cast<size_t>(found - image.sections.begin());
    // Only a section with file data has a file offset that was checked.
    const std::string_view section =
        found->rawSize == 0 ? std::string_view() : file.substr(found->rawOffset, found->MappedSize());
    TreeReader reader(section, found->virtualAddress);
    if (!reader.Read(image.resources)) {
        image.resources = {};
        return PeResult::BadResources;
    }
    return PeResult::Ok;
}

std::string ResourceIdText(const PeResourceId& id) {
    if (!id.named) return "#" + std::to_string(id.number);
    return Utf8FromUtf16(id.name);
}

const PeResourceType* FindResourceType(const PeResourceTree& tree, uint32_t number) {
    for (const PeResourceType& type : tree.types) {
        if (!type.id.named && type.id.number == number) return &type;
    }
    return nullptr;
}

PeResourceType* FindResourceType(PeResourceTree& tree, uint32_t number) {
    return const_cast<PeResourceType*>(FindResourceType(std::as_const(tree), number));
}

PeKind PeKindOf(std::string_view file) {
    PeImage image;
    if (ReadPeHeaders(file, image) != PeResult::Ok) return PeKind::Other;
    const bool plus = image.headers.plus;
    if (image.IsDll()) return plus ? PeKind::Dll64 : PeKind::Dll32;
    if (image.headers.subsystem == kSubsystemWindowsConsole)
        return plus ? PeKind::Console64 : PeKind::Console32;
    return plus ? PeKind::Program64 : PeKind::Program32;
}

std::string_view PeKindWord(PeKind kind) {
    switch (kind) {
    case PeKind::Program32:
        return "program32";
    case PeKind::Console32:
        return "console32";
    case PeKind::Program64:
        return "program64";
    case PeKind::Console64:
        return "console64";
    case PeKind::Dll32:
        return "dll32";
    case PeKind::Dll64:
        return "dll64";
    case PeKind::Other:
        return "other";
    }
    return "other";
}

PeResult RewriteResources(std::string_view file, const PeImage& image, const PeResourceTree& tree,
                          PeRewrite& out) {
    if (!image.resourceSection) return PeResult::NoResources;
    return Rewriter(file, image).Write(tree, out);
}
