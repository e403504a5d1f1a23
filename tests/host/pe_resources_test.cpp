// The PE resource reader finds RT_RCDATA resources by walking the headers and the resource directory,
// and turns every truncated or corrupted image into a documented result.
#include <gtest/gtest.h>
#include <utility>
#include <vector>

#include "tests/host/test_pe_image.h"
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

} // namespace
