// The PE image module reads headers, sections and the resource tree of arbitrary bytes into a documented
// result, and writes an image with a new tree that keeps every other byte and header field right.
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/host/test_pe_image.h"
#include "tools/payload_tool/pe_image.h"

namespace {

using namespace std::string_literals;

const std::vector<std::pair<std::string, std::string>> kSample = {
    {"MARVOLT_EXE_V2106_BIN_WFD_NTC", "payload bytes"},
    {"HELLO_BIN", "\0\1\2"s},
    {"#7", "numbered"},
};

PeResult Read(const std::string& file) {
    PeImage image;
    return ReadPeImage(file, image);
}

// `file` read and written back into `out` with `tree`, or with the tree read when there is none.
PeResult Rewrite(const std::string& file, PeRewrite& out, const PeResourceTree* tree = nullptr) {
    PeImage image;
    const PeResult read = ReadPeImage(file, image);
    return read != PeResult::Ok ? read : RewriteResources(file, image, tree ? *tree : image.resources, out);
}

// kSample's image read with the 32-bit field `delta` bytes after `offset` set to `value`.
PeResult ReadWith(size_t TestPe::*offset, size_t delta, uint32_t value) {
    TestPe pe(kSample);
    PutLe32(pe.image, pe.*offset + delta, value);
    return Read(pe.image);
}

TEST(PeImage, FindsNamedAndNumberedRcDataInTableOrder) {
    for (uint16_t magic : {uint16_t{0x10B}, uint16_t{0x20B}}) {
        const TestPe pe(kSample, magic);
        PeImage image;
        ASSERT_EQ(ReadPeImage(pe.image, image), PeResult::Ok) << magic;
        const PeResourceType* type = FindResourceType(image.resources, kRtRcData);
        ASSERT_TRUE(type != nullptr && type->names.size() == 3);
        const std::vector<PeResourceName>& names = type->names;
        EXPECT_EQ(ResourceIdText(names[0].id), "MARVOLT_EXE_V2106_BIN_WFD_NTC");
        EXPECT_EQ(names[0].languages[0].bytes, "payload bytes");
        EXPECT_EQ(names[0].languages[0].id.number, 0x409u);
        EXPECT_EQ(names[1].languages[0].bytes, "\0\1\2"s);
        EXPECT_EQ(ResourceIdText(names[2].id), "#7");
        EXPECT_FALSE(names[2].id.named);
        EXPECT_EQ(PeKindOf(pe.image), magic == 0x10B ? PeKind::Program32 : PeKind::Program64);
    }
}

TEST(PeImage, AnImageWithoutResourcesHasNone) {
    TestPe pe(kSample);
    PutLe32(pe.image, pe.directories + 2 * 8, 0);
    PeImage image;
    EXPECT_EQ(ReadPeImage(pe.image, image), PeResult::Ok);
    EXPECT_TRUE(image.resources.types.empty());
    PeRewrite rewrite;
    EXPECT_EQ(Rewrite(pe.image, rewrite), PeResult::NoResources);
    EXPECT_EQ(ReadPeImage(TestPe(kSample, 0x10B, 3).image, image), PeResult::Ok); // RT_ICON only
    EXPECT_EQ(FindResourceType(image.resources, kRtRcData), nullptr);
}

// FileAlignment 3 was once listed by one reader and refused by the other.
TEST(PeImage, TellsOtherFilesFromPeImages) {
    EXPECT_EQ(Read(""), PeResult::NotPe);
    EXPECT_EQ(Read("#!/bin/sh\n"), PeResult::NotPe);
    EXPECT_EQ(Read("MZ"), PeResult::Truncated);
    TestPe noSignature(kSample);
    noSignature.image[kTestPeOffset] = 'N';
    EXPECT_EQ(Read(noSignature.image), PeResult::NotPe);
    EXPECT_EQ(ReadWith(&TestPe::optionalHeader, 0, 0x107), PeResult::NotPe); // a ROM image
    EXPECT_EQ(ReadWith(&TestPe::optionalHeader, 36, 3), PeResult::NotPe);    // FileAlignment
    TestPe farHeader(kSample);
    PutLe32(farHeader.image, 0x3C, 0xFFFF'FFF0u);
    EXPECT_EQ(Read(farHeader.image), PeResult::Truncated);
    TestPe dll(kSample);
    PutLe16(dll.image, kTestPeOffset + 4 + 18, 0x2102);
    EXPECT_EQ(PeKindOf(dll.image), PeKind::Dll32);
}

// A launcher cut one byte short was once repacked and verified, and did not start.
TEST(PeImage, EveryTruncationIsReportedAndNoneReadsOk) {
    const TestPe pe(kSample);
    for (size_t length = 0; length < pe.image.size(); ++length) {
        PeImage image;
        EXPECT_NE(ReadPeImage(pe.image.substr(0, length), image), PeResult::Ok) << length;
        EXPECT_TRUE(image.resources.types.empty());
    }
    EXPECT_EQ(Read(pe.image.substr(0, pe.image.size() - 1)), PeResult::Truncated);
    TestPe sectionLast(kSample); // the file ends with the resource section's padding
    PutLe32(sectionLast.image, kTestPeOffset + 12, 0);
    sectionLast.image.resize(sectionLast.symbolTable);
    EXPECT_EQ(Read(sectionLast.image), PeResult::Ok);
    EXPECT_EQ(Read(sectionLast.image.substr(0, sectionLast.image.size() - 1)), PeResult::Truncated);
}

// Faults: an offset outside the resource section read past it; a directory that points back looped (the
// last two rows: the names directory is the root again, whose entry then looks like a language directory).
TEST(PeImage, RefusesOffsetsOutsideTheResourceSectionAndDirectoriesThatPointBack) {
    for (const auto& [field, delta, value] : {std::tuple{&TestPe::typeEntry, 4, 0x8000'0000u | 0x00FF'FFFF},
                                              {&TestPe::firstNameEntry, 0, 0x8000'0000u | 0x7FFF'FFF0},
                                              {&TestPe::firstDataEntry, 0, 0x9000u},
                                              {&TestPe::firstDataEntry, 4, 0xFFFF'FFFFu},
                                              {&TestPe::typeEntry, 4, 0x8000'0000u},
                                              {&TestPe::firstNameEntry, 4, 0x8000'0000u | 24}})
        EXPECT_EQ(ReadWith(field, delta, value), PeResult::BadResources) << std::hex << value;
}

// Entries that share data or a long name once made a file of 200 KB claim gigabytes of memory, print a
// gigabyte and write an output of 215 MB that repeated the name for each entry.
// The second and third entries of `pe` at `first` (each `stride` bytes long) take the first one's
// first `bytes` bytes.
void ShareTheFirst(TestPe& pe, size_t first, size_t stride, size_t bytes) {
    for (size_t entry : {first + stride, first + 2 * stride})
        pe.image.replace(entry, bytes, pe.image.substr(first, bytes));
}

TEST(PeImage, SharedDataAndNamesAreChargedToTheSectionAndNamesWrittenOnce) {
    TestPe sharedData({{"A", std::string(600, 'x')}, {"B", "b"}, {"C", "c"}});
    ShareTheFirst(sharedData, sharedData.firstDataEntry, 16, 8);
    EXPECT_EQ(Read(sharedData.image), PeResult::BadResources);

    const std::string name(200, 'N');
    TestPe sharedName({{name, "a"}, {"B" + name.substr(1), "b"}, {"C" + name.substr(1), "c"}});
    ShareTheFirst(sharedName, sharedName.firstNameEntry, 8, 4);
    PeImage image;
    ASSERT_EQ(ReadPeImage(sharedName.image, image), PeResult::Ok); // the names it no longer uses pay for it
    PeRewrite rewrite;
    ASSERT_EQ(Rewrite(sharedName.image, rewrite), PeResult::Ok);
    std::string utf16;
    for (char c : name) utf16 += std::string{c, '\0'};
    EXPECT_EQ(rewrite.image.find(utf16), rewrite.image.rfind(utf16));
    PeImage again;
    ASSERT_EQ(ReadPeImage(rewrite.image, again), PeResult::Ok);
    EXPECT_EQ(again.resources, image.resources);
    EXPECT_LE(again.sections[0].virtualSize, image.sections[0].virtualSize);

    TestPe tooShared(kSample); // every entry names the first, 29 characters long: one name more than fits
    ShareTheFirst(tooShared, tooShared.firstNameEntry, 8, 4);
    EXPECT_EQ(Read(tooShared.image), PeResult::BadResources);
}

// Faults of the writer: a tree that does not read back the same, a stale signature left in the output, a
// checksum, initialised-data size or symbol-table offset left as it was, and a section behind the
// resources moved although code may address it.
TEST(PeImage, RewritingKeepsTheTreeMovesOnlyDiscardableSectionsAndDropsTheSignature) {
    TestPe pe(kSample);
    const size_t second = pe.sectionHeader + 40;
    PutLe16(pe.image, kTestPeOffset + 6, 2);
    pe.image.replace(second, 6, ".reloc");
    PutLe32(pe.image, second + 8, 4);
    PutLe32(pe.image, second + 12, 0x2000);
    PutLe32(pe.image, second + 16, 4);
    PutLe32(pe.image, second + 20, pe.image.size());
    PutLe32(pe.image, pe.directories + 5 * 8, 0x2000);
    pe.image += "RELO";
    PutLe32(pe.image, pe.directories + 4 * 8, pe.image.size());
    PutLe32(pe.image, pe.directories + 4 * 8 + 4, 8);
    pe.image += "SIGNATUR";

    PeRewrite same;
    ASSERT_EQ(Rewrite(pe.image, same), PeResult::Ok);
    EXPECT_TRUE(same.signatureRemoved);
    EXPECT_EQ(same.image.substr(0x200),
              pe.image.substr(0x200, pe.image.size() - 0x200 - 8)); // laid out alike
    EXPECT_EQ(same.image.find("SIGNATUR"), std::string::npos);

    PeImage read;
    ASSERT_EQ(ReadPeImage(pe.image, read), PeResult::Ok);
    PeResourceTree tree = read.resources;
    tree.types[0].names[1].languages[0].bytes.assign(0x1800, 'n'); // the resources now span two pages
    PeRewrite grown;
    EXPECT_EQ(Rewrite(pe.image, grown, &tree), PeResult::SectionInTheWay);
    PutLe32(pe.image, second + 36, 0x4200'0040u); // discardable, as relocations are
    ASSERT_EQ(Rewrite(pe.image, grown, &tree), PeResult::Ok);
    ASSERT_EQ(ReadPeImage(grown.image, read), PeResult::Ok);
    EXPECT_EQ(read.resources, tree);
    for (size_t field : {second + 12, pe.directories + 5 * 8})
        EXPECT_EQ(GetLe32(grown.image, field), 0x3000u);
    EXPECT_EQ(grown.image.substr(GetLe32(grown.image, second + 20), 4), "RELO");
    EXPECT_EQ(grown.image.substr(GetLe32(grown.image, kTestPeOffset + 12), 6), "SYMBOL");
    EXPECT_EQ(GetLe32(grown.image, pe.optionalHeader + 8) - GetLe32(pe.image, pe.optionalHeader + 8),
              GetLe32(grown.image, pe.sectionHeader + 16) - GetLe32(pe.image, pe.sectionHeader + 16));
    EXPECT_EQ(GetLe32(grown.image, pe.optionalHeader + 56), 0x4000u);
    EXPECT_EQ(GetLe32(grown.image, pe.optionalHeader + 64), 0xE420u); // as pefile computes it
}

// An import or debug directory or the entry point in the resource section's tail was once overwritten
// by the new tree, and the output did not start.
TEST(PeImage, RefusesToRewriteASectionThatHoldsOtherData) {
    const TestPe pe(kSample);
    const uint32_t tail = 0x1000 + GetLe32(pe.image, pe.sectionHeader + 8) - 8;
    for (size_t field : {pe.directories + 1 * 8, pe.directories + 6 * 8, pe.optionalHeader + 16}) {
        std::string file = pe.image;
        PutLe32(file, field, tail);
        PutLe32(file, field + 4, field == pe.optionalHeader + 16 ? 0 : 8);
        PeRewrite rewrite;
        EXPECT_EQ(Rewrite(file, rewrite), PeResult::OtherDataInResources) << field;
    }
}

} // namespace
