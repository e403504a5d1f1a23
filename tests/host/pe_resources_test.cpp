// The PE resource reader finds RT_RCDATA resources by walking the headers and the resource directory,
// and turns every truncated or corrupted image into a documented result.
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "tools/payload_tool/pe_resources.h"

namespace {

using namespace std::string_literals;

void Put16(std::string& image, size_t offset, uint32_t value) {
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& image, size_t offset, uint32_t value) {
    Put16(image, offset, value & 0xFFFF);
    Put16(image, offset + 2, value >> 16);
}

constexpr uint32_t kSectionRva = 0x1000;
constexpr size_t kSectionFileOffset = 0x200;
constexpr size_t kPeOffset = 0x40;

// A one-section image whose resource tree holds `resources` under RT_RCDATA (a name starting with '#'
// becomes a numbered entry), laid out the way resource compilers do. Offsets of interest are kept so
// that tests can corrupt them.
struct TestPe {
    std::string image;
    size_t optionalHeader = 0;
    size_t sectionHeader = 0;
    size_t typeEntry = 0;      // in the file
    size_t firstNameEntry = 0; // in the file
    size_t firstDataEntry = 0; // in the file

    explicit TestPe(const std::vector<std::pair<std::string, std::string>>& resources,
                    uint16_t magic = 0x10B) {
        const size_t count = resources.size();
        const size_t namesDir = 16 + 8;
        const size_t languageDirs = namesDir + 16 + 8 * count;
        const size_t dataEntries = languageDirs + 24 * count;
        size_t cursor = dataEntries + 16 * count;
        std::string tree(cursor, '\0');
        Put16(tree, 14, 1);
        Put32(tree, 16, 10);
        Put32(tree, 20, 0x8000'0000u | namesDir);
        Put16(tree, namesDir + 14, static_cast<uint32_t>(count));
        std::vector<size_t> dataOffsets;
        for (size_t i = 0; i < count; ++i) {
            const std::string& name = resources[i].first;
            const size_t entry = namesDir + 16 + 8 * i;
            if (name[0] == '#') {
                Put32(tree, entry, static_cast<uint32_t>(std::stoul(name.substr(1))));
            } else {
                Put32(tree, entry, 0x8000'0000u | cursor);
                std::string utf16(2 + 2 * name.size(), '\0');
                Put16(utf16, 0, static_cast<uint32_t>(name.size()));
                for (size_t c = 0; c < name.size(); ++c)
                    Put16(utf16, 2 + 2 * c, static_cast<uint8_t>(name[c]));
                tree += utf16;
                cursor = tree.size();
            }
            const size_t languageDir = languageDirs + 24 * i;
            Put32(tree, entry + 4, 0x8000'0000u | languageDir);
            Put16(tree, languageDir + 14, 1);
            Put32(tree, languageDir + 16, 0x409);
            Put32(tree, languageDir + 20, static_cast<uint32_t>(dataEntries + 16 * i));
        }
        for (size_t i = 0; i < count; ++i) {
            tree.resize((tree.size() + 3) & ~size_t{3}, '\0');
            Put32(tree, dataEntries + 16 * i, static_cast<uint32_t>(kSectionRva + tree.size()));
            Put32(tree, dataEntries + 16 * i + 4, static_cast<uint32_t>(resources[i].second.size()));
            tree += resources[i].second;
        }

        const bool plus = magic == 0x20B;
        const size_t optionalSize = plus ? 240 : 224;
        const size_t countOffset = plus ? 108 : 92;
        image.assign(kSectionFileOffset, '\0');
        image[0] = 'M';
        image[1] = 'Z';
        Put32(image, 0x3C, kPeOffset);
        image.replace(kPeOffset, 4, "PE\0\0"s);
        Put16(image, kPeOffset + 4, plus ? 0x8664 : 0x14C);
        Put16(image, kPeOffset + 6, 1);
        Put16(image, kPeOffset + 20, static_cast<uint32_t>(optionalSize));
        optionalHeader = kPeOffset + 24;
        Put16(image, optionalHeader, magic);
        Put32(image, optionalHeader + countOffset, 16);
        Put32(image, optionalHeader + countOffset + 4 + 2 * 8, kSectionRva);
        Put32(image, optionalHeader + countOffset + 4 + 2 * 8 + 4, static_cast<uint32_t>(tree.size()));
        sectionHeader = optionalHeader + optionalSize;
        image.replace(sectionHeader, 5, ".rsrc");
        Put32(image, sectionHeader + 8, static_cast<uint32_t>(tree.size()));
        Put32(image, sectionHeader + 12, kSectionRva);
        Put32(image, sectionHeader + 16, static_cast<uint32_t>(tree.size()));
        Put32(image, sectionHeader + 20, kSectionFileOffset);
        image += tree;
        typeEntry = kSectionFileOffset + 16;
        firstNameEntry = kSectionFileOffset + namesDir + 16;
        firstDataEntry = kSectionFileOffset + dataEntries;
    }
};

const std::vector<std::pair<std::string, std::string>> kSample = {
    {"MARVOLT_EXE_V2106_BIN_WFD_NTC", "payload bytes"},
    {"HELLO_BIN", "\0\1\2"s},
    {"#7", "numbered"},
};

PeReadResult Read(const std::string& image) {
    std::vector<PeResource> resources;
    return ReadRcDataResources(image, resources);
}

TEST(PeResources, FindsNamedAndNumberedRcDataInTableOrder) {
    for (uint16_t magic : {uint16_t{0x10B}, uint16_t{0x20B}}) {
        const TestPe pe(kSample, magic);
        std::vector<PeResource> resources;
        ASSERT_EQ(ReadRcDataResources(pe.image, resources), PeReadResult::Ok) << magic;
        ASSERT_EQ(resources.size(), 3u);
        EXPECT_EQ(resources[0].name, "MARVOLT_EXE_V2106_BIN_WFD_NTC");
        EXPECT_EQ(resources[0].bytes, "payload bytes");
        EXPECT_EQ(resources[0].language, 0x409u);
        EXPECT_EQ(resources[1].bytes, "\0\1\2"s);
        EXPECT_FALSE(resources[1].numbered);
        EXPECT_EQ(resources[2].name, "#7");
        EXPECT_TRUE(resources[2].numbered);
    }
}

TEST(PeResources, AnImageWithoutResourcesHasNone) {
    TestPe pe(kSample);
    Put32(pe.image, pe.optionalHeader + 92 + 4 + 16, 0);
    std::vector<PeResource> resources{PeResource{}};
    EXPECT_EQ(ReadRcDataResources(pe.image, resources), PeReadResult::Ok);
    EXPECT_TRUE(resources.empty());

    TestPe otherType(kSample);
    Put32(otherType.image, otherType.typeEntry, 3); // RT_ICON
    EXPECT_EQ(ReadRcDataResources(otherType.image, resources), PeReadResult::Ok);
    EXPECT_TRUE(resources.empty());
}

TEST(PeResources, TellsOtherFilesFromPeImages) {
    EXPECT_EQ(Read(""), PeReadResult::NotPe);
    EXPECT_EQ(Read("#!/bin/sh\n"), PeReadResult::NotPe);
    EXPECT_EQ(Read("MZ"), PeReadResult::Truncated);
    TestPe noSignature(kSample);
    noSignature.image[kPeOffset] = 'N';
    EXPECT_EQ(Read(noSignature.image), PeReadResult::NotPe);
    TestPe romImage(kSample);
    Put16(romImage.image, romImage.optionalHeader, 0x107);
    EXPECT_EQ(Read(romImage.image), PeReadResult::NotPe);
    TestPe farHeader(kSample);
    Put32(farHeader.image, 0x3C, 0xFFFF'FFF0u);
    EXPECT_EQ(Read(farHeader.image), PeReadResult::Truncated);
}

TEST(PeResources, EveryTruncationIsReportedAndNoneReadsOk) {
    const TestPe pe(kSample);
    for (size_t length = 0; length < pe.image.size(); ++length) {
        std::vector<PeResource> resources;
        const PeReadResult result = ReadRcDataResources(pe.image.substr(0, length), resources);
        EXPECT_NE(result, PeReadResult::Ok) << length;
        EXPECT_TRUE(resources.empty());
    }
    // Cut inside the last resource's bytes: the section claims more than the file has.
    EXPECT_EQ(Read(pe.image.substr(0, pe.image.size() - 1)), PeReadResult::Truncated);
}

TEST(PeResources, RefusesOffsetsOutsideTheResourceSection) {
    TestPe namesPastEnd(kSample);
    Put32(namesPastEnd.image, namesPastEnd.typeEntry + 4, 0x8000'0000u | 0x00FF'FFFF);
    EXPECT_EQ(Read(namesPastEnd.image), PeReadResult::BadResources);

    TestPe namePastEnd(kSample);
    Put32(namePastEnd.image, namePastEnd.firstNameEntry, 0x8000'0000u | 0x7FFF'FFF0);
    EXPECT_EQ(Read(namePastEnd.image), PeReadResult::BadResources);

    TestPe dataOutside(kSample);
    Put32(dataOutside.image, dataOutside.firstDataEntry, 0x9000);
    EXPECT_EQ(Read(dataOutside.image), PeReadResult::BadResources);

    TestPe dataWraps(kSample);
    Put32(dataWraps.image, dataWraps.firstDataEntry + 4, 0xFFFF'FFFFu);
    EXPECT_EQ(Read(dataWraps.image), PeReadResult::BadResources);
}

TEST(PeResources, ADirectoryThatPointsBackDoesNotLoop) {
    TestPe pe(kSample);
    // The names directory is the root again; the root's entry then looks like a language directory.
    Put32(pe.image, pe.typeEntry + 4, 0x8000'0000u);
    EXPECT_EQ(Read(pe.image), PeReadResult::BadResources);

    TestPe selfLanguage(kSample);
    Put32(selfLanguage.image, selfLanguage.firstNameEntry + 4, 0x8000'0000u | 24);
    EXPECT_EQ(Read(selfLanguage.image), PeReadResult::BadResources);
}

TEST(PeResources, SharedDataCannotClaimMoreThanTheFileHolds) {
    const std::string big(600, 'x');
    TestPe pe({{"A", big}, {"B", "b"}, {"C", "c"}});
    // B and C both point at A's 600 bytes: 1800 bytes from a file of about 1400.
    for (size_t entry : {pe.firstDataEntry + 16, pe.firstDataEntry + 32}) {
        pe.image.replace(entry, 8, pe.image.substr(pe.firstDataEntry, 8));
    }
    ASSERT_LT(pe.image.size(), 3 * big.size());
    EXPECT_EQ(Read(pe.image), PeReadResult::BadResources);
}

} // namespace
