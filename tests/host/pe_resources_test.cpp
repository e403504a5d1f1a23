// The PE resource reader finds RT_RCDATA resources by walking the headers and the resource directory,
// and turns every truncated or corrupted image into a documented result.
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "tests/host/test_pe_image.h"
#include "tools/payload_tool/pe_resource_writer.h"
#include "tools/payload_tool/pe_resources.h"

namespace {

using namespace std::string_literals;

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
    PutLe32(pe.image, pe.optionalHeader + 92 + 4 + 16, 0);
    std::vector<PeResource> resources{PeResource{}};
    EXPECT_EQ(ReadRcDataResources(pe.image, resources), PeReadResult::Ok);
    EXPECT_TRUE(resources.empty());

    TestPe otherType(kSample);
    PutLe32(otherType.image, otherType.typeEntry, 3); // RT_ICON
    EXPECT_EQ(ReadRcDataResources(otherType.image, resources), PeReadResult::Ok);
    EXPECT_TRUE(resources.empty());
}

TEST(PeResources, TellsOtherFilesFromPeImages) {
    EXPECT_EQ(Read(""), PeReadResult::NotPe);
    EXPECT_EQ(Read("#!/bin/sh\n"), PeReadResult::NotPe);
    EXPECT_EQ(Read("MZ"), PeReadResult::Truncated);
    TestPe noSignature(kSample);
    noSignature.image[kTestPeOffset] = 'N';
    EXPECT_EQ(Read(noSignature.image), PeReadResult::NotPe);
    TestPe romImage(kSample);
    PutLe16(romImage.image, romImage.optionalHeader, 0x107);
    EXPECT_EQ(Read(romImage.image), PeReadResult::NotPe);
    TestPe farHeader(kSample);
    PutLe32(farHeader.image, 0x3C, 0xFFFF'FFF0u);
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
    PutLe32(namesPastEnd.image, namesPastEnd.typeEntry + 4, 0x8000'0000u | 0x00FF'FFFF);
    EXPECT_EQ(Read(namesPastEnd.image), PeReadResult::BadResources);

    TestPe namePastEnd(kSample);
    PutLe32(namePastEnd.image, namePastEnd.firstNameEntry, 0x8000'0000u | 0x7FFF'FFF0);
    EXPECT_EQ(Read(namePastEnd.image), PeReadResult::BadResources);

    TestPe dataOutside(kSample);
    PutLe32(dataOutside.image, dataOutside.firstDataEntry, 0x9000);
    EXPECT_EQ(Read(dataOutside.image), PeReadResult::BadResources);

    TestPe dataWraps(kSample);
    PutLe32(dataWraps.image, dataWraps.firstDataEntry + 4, 0xFFFF'FFFFu);
    EXPECT_EQ(Read(dataWraps.image), PeReadResult::BadResources);
}

TEST(PeResources, ADirectoryThatPointsBackDoesNotLoop) {
    TestPe pe(kSample);
    // The names directory is the root again; the root's entry then looks like a language directory.
    PutLe32(pe.image, pe.typeEntry + 4, 0x8000'0000u);
    EXPECT_EQ(Read(pe.image), PeReadResult::BadResources);

    TestPe selfLanguage(kSample);
    PutLe32(selfLanguage.image, selfLanguage.firstNameEntry + 4, 0x8000'0000u | 24);
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

// Faults of the writer: a tree that does not read back the same, a stale signature left in the
// output, a wrong checksum, and a section behind the resources moved although code may address it.
TEST(PeResources, RewritingKeepsTheTreeMovesOnlyDiscardableSectionsAndDropsTheSignature) {
    TestPe pe(kSample);
    const size_t second = pe.sectionHeader + 40;
    const size_t directories = pe.optionalHeader + 96;
    PutLe16(pe.image, kTestPeOffset + 6, 2);
    pe.image.replace(second, 6, ".reloc");
    PutLe32(pe.image, second + 8, 4);
    PutLe32(pe.image, second + 12, 0x2000);
    PutLe32(pe.image, second + 16, 4);
    PutLe32(pe.image, second + 20, static_cast<uint32_t>(pe.image.size()));
    PutLe32(pe.image, directories + 5 * 8, 0x2000);
    pe.image += "RELO";
    PutLe32(pe.image, directories + 4 * 8, static_cast<uint32_t>(pe.image.size()));
    PutLe32(pe.image, directories + 4 * 8 + 4, 8);
    pe.image += "SIGNATUR";

    PeResourceTree tree;
    ASSERT_EQ(ReadResourceTree(pe.image, tree), PeWriteResult::Ok);
    PeRewrite same;
    ASSERT_EQ(RewriteResources(pe.image, tree, same), PeWriteResult::Ok);
    PeResourceTree again;
    ASSERT_EQ(ReadResourceTree(same.image, again), PeWriteResult::Ok);
    EXPECT_EQ(again, tree);
    EXPECT_TRUE(same.signatureRemoved);
    EXPECT_EQ(same.image.find("SIGNATUR"), std::string::npos);
    EXPECT_EQ(same.image.substr(same.image.size() - 4), "RELO");

    tree.types[0].names[1].languages[0].bytes.assign(0x1800, 'n'); // the resources now span two pages
    PeRewrite grown;
    EXPECT_EQ(RewriteResources(pe.image, tree, grown), PeWriteResult::SectionInTheWay);
    PutLe32(pe.image, second + 36, 0x4200'0040u); // discardable, as relocations are
    ASSERT_EQ(RewriteResources(pe.image, tree, grown), PeWriteResult::Ok);
    std::vector<PeResource> resources;
    ASSERT_EQ(ReadRcDataResources(grown.image, resources), PeReadResult::Ok);
    EXPECT_EQ(resources[1].bytes, std::string(0x1800, 'n'));
    EXPECT_EQ(resources[2].bytes, "numbered");
    for (size_t field : {second + 12, directories + 5 * 8}) EXPECT_EQ(grown.image[field + 1], 0x30) << field;
    EXPECT_EQ(grown.image.substr(grown.image.size() - 4), "RELO");
    EXPECT_EQ(grown.image.substr(pe.optionalHeader + 64, 4),
              std::string("\xBF\x83\x00\x00", 4)); // as pefile computes it
}

} // namespace
