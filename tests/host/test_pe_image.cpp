#include "tests/host/test_pe_image.h"

#include <algorithm>

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr size_t kSectionFileOffset = 0x200;

} // namespace

std::string TestVersionResource(uint32_t high, uint32_t low) {
    std::string bytes(92, '\0');
    PutLe16(bytes, 0, bytes.size());
    PutLe16(bytes, 2, 52);
    const std::string key = "VS_VERSION_INFO";
    for (size_t i = 0; i < key.size(); ++i) PutLe16(bytes, 6 + 2 * i, static_cast<uint8_t>(key[i]));
    PutLe32(bytes, 40, 0xFEEF04BD);
    PutLe32(bytes, 44, 0x10000);
    PutLe32(bytes, 48, high);
    PutLe32(bytes, 52, low);
    return bytes;
}

TestPe::TestPe(const std::vector<std::pair<std::string, std::string>>& resources, uint16_t magic,
               uint32_t type) {
    const size_t count = resources.size();
    const size_t namesDir = 16 + 8;
    const size_t languageDirs = namesDir + 16 + 8 * count;
    const size_t dataEntries = languageDirs + 24 * count;
    size_t cursor = dataEntries + 16 * count;
    std::string tree(cursor, '\0');
    PutLe16(tree, 14, 1);
    PutLe32(tree, 16, type);
    PutLe32(tree, 20, 0x8000'0000u | namesDir);
    const auto numbered =
        std::count_if(resources.begin(), resources.end(), [](const auto& r) { return r.first[0] == '#'; });
    PutLe16(tree, namesDir + 12, count - numbered); // named entries come first
    PutLe16(tree, namesDir + 14, numbered);
    for (size_t i = 0; i < count; ++i) {
        const std::string& name = resources[i].first;
        const size_t entry = namesDir + 16 + 8 * i;
        if (name[0] == '#') {
            PutLe32(tree, entry, std::stoul(name.substr(1)));
        } else {
            PutLe32(tree, entry, 0x8000'0000u | cursor);
            std::string utf16(2 + 2 * name.size(), '\0');
            PutLe16(utf16, 0, name.size());
            for (size_t c = 0; c < name.size(); ++c) PutLe16(utf16, 2 + 2 * c, static_cast<uint8_t>(name[c]));
            tree += utf16;
            cursor = tree.size();
        }
        const size_t languageDir = languageDirs + 24 * i;
        PutLe32(tree, entry + 4, 0x8000'0000u | languageDir);
        PutLe16(tree, languageDir + 14, 1);
        PutLe32(tree, languageDir + 16, 0x409);
        PutLe32(tree, languageDir + 20, dataEntries + 16 * i);
    }
    for (size_t i = 0; i < count; ++i) {
        tree.resize((tree.size() + 7) & ~size_t{7}, '\0'); // as resource compilers align data
        PutLe32(tree, dataEntries + 16 * i, kSectionRva + tree.size());
        PutLe32(tree, dataEntries + 16 * i + 4, resources[i].second.size());
        tree += resources[i].second;
    }

    const size_t treeSize = tree.size();
    tree.resize((treeSize + kSectionFileOffset - 1) / kSectionFileOffset * kSectionFileOffset, '\0');
    const bool plus = magic == 0x20B;
    const size_t optionalSize = plus ? 240 : 224;
    const size_t countOffset = plus ? 108 : 92;
    image.assign(kSectionFileOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    PutLe32(image, 0x3C, kTestPeOffset);
    image.replace(kTestPeOffset, 4, std::string("PE\0\0", 4));
    PutLe16(image, kTestPeOffset + 4, plus ? 0x8664 : 0x14C);
    PutLe16(image, kTestPeOffset + 6, 1);
    symbolTable = kSectionFileOffset + tree.size();
    PutLe32(image, kTestPeOffset + 12, symbolTable);
    PutLe32(image, kTestPeOffset + 16, 1);
    PutLe16(image, kTestPeOffset + 20, optionalSize);
    optionalHeader = kTestPeOffset + 24;
    PutLe16(image, optionalHeader, magic);
    PutLe32(image, optionalHeader + 8, tree.size());         // initialised data
    PutLe32(image, optionalHeader + 32, kSectionRva);        // section alignment
    PutLe32(image, optionalHeader + 36, kSectionFileOffset); // file alignment
    PutLe32(image, optionalHeader + 60, kSectionFileOffset); // size of the headers
    PutLe32(image, optionalHeader + 64, kTestPeCheckSum);
    PutLe32(image, optionalHeader + countOffset, 16);
    directories = optionalHeader + countOffset + 4;
    PutLe32(image, directories + 2 * 8, kSectionRva);
    PutLe32(image, directories + 2 * 8 + 4, treeSize);
    sectionHeader = optionalHeader + optionalSize;
    image.replace(sectionHeader, 5, ".rsrc");
    PutLe32(image, sectionHeader + 8, treeSize);
    PutLe32(image, sectionHeader + 12, kSectionRva);
    PutLe32(image, sectionHeader + 16, tree.size());
    PutLe32(image, sectionHeader + 20, kSectionFileOffset);
    PutLe32(image, sectionHeader + 36, 0x4000'0040u); // initialised data, readable
    image += tree;
    image += std::string("SYMBOL\0\0", 8) + std::string(10, '\0') + std::string("\4\0\0\0", 4);
    typeEntry = kSectionFileOffset + 16;
    firstNameEntry = kSectionFileOffset + namesDir + 16;
    firstDataEntry = kSectionFileOffset + dataEntries;
}
