// The packed payload format: the find-data record's byte layout, the three shapes a resource is read
// as, and every way a resource is refused without a partial result.
#include <gtest/gtest.h>
#include <vector>

#include "payload/crc32.h"
#include "payload/lznt1_compress.h"
#include "payload/lznt1_decoder.h"
#include "payload/lznt1_decompress.h"
#include "payload/payload_format.h"
#include "payload/payload_pack.h"
#include "tests/host/lznt1_samples.h"

namespace {

using namespace std::string_literals;

FindDataRecord RecordFor(std::string_view name, uint64_t size) {
    FindDataRecord record;
    record.dwFileAttributes = kFileAttributeArchive;
    record.ftCreationTime = record.ftLastAccessTime = record.ftLastWriteTime = 0x01D2'3456'789A'BCDEull;
    record.nFileSizeHigh = static_cast<uint32_t>(size >> 32);
    record.nFileSizeLow = static_cast<uint32_t>(size);
    record.cFileName = name;
    return record;
}

FindDataRecord CheckedRecordFor(std::string_view name, const std::string& file) {
    FindDataRecord record = RecordFor(name, file.size());
    record.dwReserved0 = Crc32(file);
    record.dwReserved1 = kPayloadChecksumMarker;
    return record;
}

// Something like a small executable: compressible, but not trivially.
std::string SampleFile(size_t size) {
    std::string file(size, '\0');
    uint32_t state = 12345;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        file[i] = (i % 7 == 0) ? static_cast<char>(state >> 24) : static_cast<char>("MZ-PE.text"[i % 10]);
    }
    return file;
}

std::string RawStream(const std::string& file) {
    std::string stream(file.size() * 2 + 64, '\0');
    Lznt1Compress(file, stream);
    return stream;
}

// Records every name looked up, to check what a refusal did before it refused.
class RecordingStore : public ResourceStore {
  public:
    MemoryResourceStore inner;
    mutable std::vector<std::string> lookups;
    std::optional<std::string_view> Find(std::string_view name) const override {
        lookups.emplace_back(name);
        return inner.Find(name);
    }
};

PayloadFault Inspect(const ResourceStore& store, std::string_view name) {
    PayloadImage image;
    PayloadFacts facts;
    return InspectPayload(store, name, image, facts);
}

TEST(FindDataRecord, EncodesEveryFieldAtItsOffsetLittleEndian) {
    FindDataRecord record;
    record.dwFileAttributes = 0x11223344;
    record.ftCreationTime = 0x0102030405060708ull;
    record.ftLastAccessTime = 0x1112131415161718ull;
    record.ftLastWriteTime = 0x2122232425262728ull;
    record.nFileSizeHigh = 0x31323334;
    record.nFileSizeLow = 0x41424344;
    record.dwReserved0 = 0x51525354;
    record.dwReserved1 = 0x61626364;
    record.cFileName = "Marvolt.exe";
    record.cAlternateFileName = "MARVOLT.EXE";

    const std::string bytes = EncodeFindDataRecord(record);
    ASSERT_EQ(bytes.size(), 318u);
    EXPECT_EQ(bytes.substr(0, 4), "\x44\x33\x22\x11");
    EXPECT_EQ(bytes.substr(4, 8), "\x08\x07\x06\x05\x04\x03\x02\x01");
    EXPECT_EQ(bytes.substr(12, 8), "\x18\x17\x16\x15\x14\x13\x12\x11");
    EXPECT_EQ(bytes.substr(20, 8), "\x28\x27\x26\x25\x24\x23\x22\x21");
    EXPECT_EQ(bytes.substr(28, 4), "\x34\x33\x32\x31");
    EXPECT_EQ(bytes.substr(32, 4), "\x44\x43\x42\x41");
    EXPECT_EQ(bytes.substr(36, 4), "\x54\x53\x52\x51");
    EXPECT_EQ(bytes.substr(40, 4), "\x64\x63\x62\x61");
    EXPECT_EQ(bytes.substr(44, 12), "Marvolt.exe\0"s);
    EXPECT_EQ(bytes.substr(56, 248), std::string(248, '\0'));
    EXPECT_EQ(bytes.substr(304, 14), "MARVOLT.EXE\0\0\0"s);

    EXPECT_EQ(DecodeFindDataRecord(bytes), record);
    EXPECT_EQ(DecodeFindDataRecord(bytes.substr(1)), std::nullopt);

    const std::string trailer = EncodePayloadTrailer(record);
    ASSERT_EQ(trailer.size(), 322u);
    EXPECT_EQ(trailer.substr(0, 4), "WFD ");
    EXPECT_EQ(trailer.substr(4), bytes);
}

TEST(FindDataRecord, NamesEndAtTheirFirstNulOrAtTheEndOfTheField) {
    std::string bytes = EncodeFindDataRecord(RecordFor("", 0));
    bytes.replace(44, 260, std::string(260, 'N'));
    bytes.replace(304, 14, "AB\0garbage!!!!"s);
    const std::optional<FindDataRecord> record = DecodeFindDataRecord(bytes);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cFileName, std::string(260, 'N'));
    EXPECT_EQ(record->cAlternateFileName, "AB");
}

TEST(PayloadNames, EndingsAreJudgedUpperCasedWithoutTrailingBlanks) {
    EXPECT_EQ(PayloadTestName("tool_wfd_ntc \0 \0"s), "TOOL_WFD_NTC");
    EXPECT_EQ(ClassifyPayload("Marvolt_exe_V2106_bin_wfd_ntc", 323), PayloadVariant::Compressed);
    EXPECT_EQ(ClassifyPayload("x_WFD_NTC   ", 1000), PayloadVariant::Compressed);
    EXPECT_EQ(ClassifyPayload("x_wfd", 323), PayloadVariant::Plain);
    // The size, not the BIN in the name, decides between Plain and Split.
    EXPECT_EQ(ClassifyPayload("x_BIN_WFD", 323), PayloadVariant::Plain);
    EXPECT_EQ(ClassifyPayload("x_bin_wfd", 322), PayloadVariant::Split);
    EXPECT_EQ(ClassifyPayload("xbinwfd ", 322), PayloadVariant::Split);
    EXPECT_EQ(ClassifyPayload("xBINWFD", 321), std::nullopt);
    EXPECT_EQ(ClassifyPayload("x_WFD_NTC", 322), std::nullopt);
    EXPECT_EQ(ClassifyPayload("x_WFD", 322), std::nullopt);
    EXPECT_EQ(ClassifyPayload("x_WFD_NTCX", 1000), std::nullopt);
    EXPECT_EQ(ClassifyPayload("WFD_x", 1000), std::nullopt);

    EXPECT_EQ(SplitDataResourceName("Tool_Bin_Wfd \0"s), "Tool_Bin");
    EXPECT_EQ(SplitDataResourceName("ToolBinWfd"), "ToolBin");
    EXPECT_EQ(SplitDataResourceName("Tool_Wfd"), std::nullopt);
}

TEST(ReadPayload, ReadsTheCompressedShapeUnderAnyLetterCase) {
    const std::string file = SampleFile(10000);
    const std::string payload = MakeCompressedPayload(file, RecordFor("Marvolt.exe", file.size()));
    ASSERT_GT(payload.size(), 322u);
    MemoryResourceStore store;
    // The resource table holds names in upper case.
    store.Add("MARVOLT_EXE_V2106_BIN_WFD_NTC", payload);

    for (const char* name : {"Marvolt_exe_V2106_BIN_WFD_NTC", "marvolt_exe_v2106_bin_wfd_ntc"}) {
        PayloadImage image;
        ASSERT_TRUE(ReadPayload(store, name, image)) << name;
        EXPECT_EQ(image.fileBytes, file);
        EXPECT_EQ(image.record, CheckedRecordFor("Marvolt.exe", file));
    }

    store.Add("Blank_WFD_NTC  ", payload);
    PayloadImage image;
    EXPECT_TRUE(ReadPayload(store, "blank_wfd_ntc  ", image));
    EXPECT_EQ(Inspect(store, "Marvolt_exe_V2106_BIN_WFD_NTX"), PayloadFault::NoPayloadEnding);
    EXPECT_EQ(Inspect(store, "Other_WFD_NTC"), PayloadFault::NotFound);
}

TEST(ReadPayload, ReadsThePlainShapeWhateverTheNameSaysAboutBin) {
    const std::string file = SampleFile(500);
    MemoryResourceStore store;
    store.Add("TOOL_BIN_WFD", file + EncodePayloadTrailer(RecordFor("Tool.exe", file.size())));
    PayloadImage image;
    ASSERT_TRUE(ReadPayload(store, "tool_bin_wfd", image));
    EXPECT_EQ(image.fileBytes, file);
    EXPECT_EQ(image.record.cFileName, "Tool.exe");

    store.Add("LONG_WFD", file + "x" + EncodePayloadTrailer(RecordFor("Tool.exe", file.size())));
    store.Add("SHORT_WFD", file.substr(1) + EncodePayloadTrailer(RecordFor("Tool.exe", file.size())));
    EXPECT_EQ(Inspect(store, "Long_WFD"), PayloadFault::ImageSizeMismatch);
    EXPECT_EQ(Inspect(store, "Short_WFD"), PayloadFault::ImageSizeMismatch);
}

TEST(ReadPayload, ReadsTheSplitShapeFromItsSecondResource) {
    const std::string file = SampleFile(700);
    const std::string trailer = EncodePayloadTrailer(RecordFor("Tool.exe", file.size()));
    RecordingStore store;
    // Trailing blanks belong to the looked-up name but not to the second one.
    store.inner.Add("TOOL_BIN_WFD  ", trailer);
    store.inner.Add("TOOL_BIN", file);
    store.inner.Add("OTHERBINWFD", trailer);
    store.inner.Add("OTHERBIN", file);

    PayloadImage image;
    ASSERT_TRUE(ReadPayload(store, "Tool_Bin_Wfd  ", image));
    EXPECT_EQ(image.fileBytes, file);
    EXPECT_EQ(store.lookups, (std::vector<std::string>{"Tool_Bin_Wfd  ", "Tool_Bin"}));
    EXPECT_TRUE(ReadPayload(store, "otherbinwfd", image));

    store.inner.Add("SHORTBINWFD", trailer);
    store.inner.Add("SHORTBIN", file.substr(1));
    store.inner.Add("LONEBINWFD", trailer);
    store.inner.Add("NTC_WFD_NTC", trailer);
    store.inner.Add("SOLO_WFD", trailer);
    EXPECT_EQ(Inspect(store, "ShortBinWfd"), PayloadFault::SplitDataSizeMismatch);
    EXPECT_EQ(Inspect(store, "LoneBinWfd"), PayloadFault::SplitDataNotFound);
    EXPECT_EQ(Inspect(store, "Ntc_WFD_NTC"), PayloadFault::SplitNameWithoutBin);
    EXPECT_EQ(Inspect(store, "Solo_WFD"), PayloadFault::SplitNameWithoutBin);
}

TEST(ReadPayload, RefusesResourcesSmallerThanTheTrailer) {
    MemoryResourceStore store;
    for (const char* name : {"A_WFD_NTC", "A_WFD", "A_BIN_WFD", "ABINWFD"}) {
        for (size_t size : {0u, 321u}) {
            store.Add(name, std::string(size, 'W'));
            EXPECT_EQ(Inspect(store, name), PayloadFault::TooSmall) << name << " " << size;
        }
    }
}

TEST(ReadPayload, TestsTheTagBeforeAnythingElse) {
    const std::string file = SampleFile(400);
    for (const std::string& tag : {"wfd "s, "WFD\0"s}) {
        const std::string trailer = tag + EncodeFindDataRecord(RecordFor("T.exe", file.size()));
        RecordingStore store;
        store.inner.Add("C_WFD_NTC", RawStream(file) + trailer);
        store.inner.Add("P_WFD", file + trailer);
        store.inner.Add("S_BIN_WFD", trailer);
        store.inner.Add("S_BIN", file);
        for (const char* name : {"C_WFD_NTC", "P_WFD", "S_BIN_WFD"}) {
            EXPECT_EQ(Inspect(store, name), PayloadFault::WrongTag) << name;
        }
        // The split's second resource is never looked for behind a wrong tag.
        EXPECT_EQ(store.lookups, (std::vector<std::string>{"C_WFD_NTC", "P_WFD", "S_BIN_WFD"}));
    }
}

TEST(ReadPayload, RefusesAStreamThatDoesNotDecodeToTheRecordedSize) {
    const std::string file = SampleFile(9000);
    const std::string stream = RawStream(file);
    MemoryResourceStore store;
    store.Add("MORE_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("T.exe", file.size() + 1)));
    store.Add("LESS_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("T.exe", file.size() - 1)));
    store.Add("HIGH_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("T.exe", file.size() + (1ull << 32))));
    store.Add("GOOD_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("T.exe", file.size())));
    EXPECT_EQ(Inspect(store, "More_WFD_NTC"), PayloadFault::DecodedSizeMismatch);
    EXPECT_EQ(Inspect(store, "Less_WFD_NTC"), PayloadFault::DecodedSizeMismatch);
    EXPECT_EQ(Inspect(store, "High_WFD_NTC"), PayloadFault::DecodedSizeMismatch);
    EXPECT_EQ(Inspect(store, "Good_WFD_NTC"), PayloadFault::None);
}

TEST(ReadPayload, ASizeHighWordNeverMatches) {
    const std::string file = SampleFile(400);
    const std::string trailer = EncodePayloadTrailer(RecordFor("T.exe", file.size() + (1ull << 32)));
    MemoryResourceStore store;
    store.Add("P_WFD", file + trailer);
    store.Add("S_BIN_WFD", trailer);
    store.Add("S_BIN", file);
    EXPECT_EQ(Inspect(store, "P_WFD"), PayloadFault::ImageSizeMismatch);
    EXPECT_EQ(Inspect(store, "S_BIN_WFD"), PayloadFault::SplitDataSizeMismatch);
}

TEST(ReadPayload, AStreamBeyondTwelveAndAHalfTimesItsLengthIsRefused) {
    const std::string zeros(100000, '\0');
    const std::string stream = RawStream(zeros);
    ASSERT_LT(Lznt1DefaultDecompressCapacity(stream.size()), zeros.size());
    MemoryResourceStore store;
    store.Add("Z_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("Z.exe", zeros.size())));
    EXPECT_EQ(Inspect(store, "Z_WFD_NTC"), PayloadFault::DecodedSizeMismatch);

    // A record that claims exactly the capacity must not be met by cutting a longer output off there.
    const uint64_t capacity = Lznt1DefaultDecompressCapacity(stream.size());
    store.Add("CUT_WFD_NTC", stream + EncodePayloadTrailer(RecordFor("Z.exe", capacity)));
    EXPECT_EQ(Inspect(store, "CUT_WFD_NTC"), PayloadFault::DecodedSizeMismatch);
}

TEST(Crc32, GivesTheZipFormatsCheckValues) {
    EXPECT_EQ(Crc32(""), 0u);
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    // Bytes with the high bit set, which a signed char would sign-extend.
    EXPECT_EQ(Crc32("\xFF\0\x80"s), 0xAC616EDFu);
}

// Without the checksum, one flipped byte often still decodes to the recorded size, and that wrong file
// was written and started as the tool.
TEST(ReadPayload, AFlippedStreamByteThatStillDecodesToTheSizeIsRefusedByTheChecksum) {
    const std::string file = SampleFile(9000);
    const std::string checked = MakeCompressedPayload(file, RecordFor("T.exe", file.size()));
    const size_t streamSize = checked.size() - kPayloadTrailerSize;
    const std::string unchecked =
        checked.substr(0, streamSize) + EncodePayloadTrailer(RecordFor("T.exe", file.size()));
    MemoryResourceStore store;
    store.Add("U_WFD_NTC", unchecked);
    PayloadImage image;
    ASSERT_TRUE(ReadPayload(store, "U_WFD_NTC", image));
    EXPECT_EQ(image.fileBytes, file);

    size_t wrongFilesWithoutChecksum = 0;
    for (size_t i = 0; i < streamSize; ++i) {
        std::string flippedChecked = checked;
        std::string flippedUnchecked = unchecked;
        flippedChecked[i] = static_cast<char>(~flippedChecked[i]);
        flippedUnchecked[i] = static_cast<char>(~flippedUnchecked[i]);
        store.Add("C_WFD_NTC", flippedChecked);
        store.Add("U_WFD_NTC", flippedUnchecked);
        PayloadImage read;
        // A flip may leave the file as it was (a match that finds equal bytes elsewhere), never a wrong one.
        EXPECT_TRUE(!ReadPayload(store, "C_WFD_NTC", read) || read.fileBytes == file) << i;
        if (ReadPayload(store, "U_WFD_NTC", read) && read.fileBytes != file) {
            ++wrongFilesWithoutChecksum;
            EXPECT_EQ(Inspect(store, "C_WFD_NTC"), PayloadFault::ChecksumMismatch) << i;
        }
    }
    EXPECT_GT(wrongFilesWithoutChecksum, streamSize / 4);

    // Fault: one flipped bit in the marker read as "no checksum recorded", so the flipped stream byte
    // beside it went unchecked. Only (0, 0) and (CRC, marker) are valid pairs.
    FindDataRecord damaged = CheckedRecordFor("T.exe", file);
    for (const uint32_t reserved1 :
         {0u, 1u, kPayloadChecksumMarker ^ 1u, kPayloadChecksumMarker ^ 0x80000000u}) {
        damaged.dwReserved1 = reserved1;
        store.Add("D_WFD_NTC", checked.substr(0, streamSize) + EncodePayloadTrailer(damaged));
        EXPECT_EQ(Inspect(store, "D_WFD_NTC"), PayloadFault::ChecksumMismatch) << std::hex << reserved1;
    }
}

TEST(ReadPayload, PlainAndSplitShapesCheckTheChecksumToo) {
    const std::string file = SampleFile(500);
    std::string damaged = file;
    damaged[100] ^= 1;
    const std::string trailer = EncodePayloadTrailer(CheckedRecordFor("Tool.exe", file));
    MemoryResourceStore store;
    store.Add("GOOD_WFD", file + trailer);
    store.Add("BAD_WFD", damaged + trailer);
    store.Add("BAD_BIN_WFD", trailer);
    store.Add("BAD_BIN", damaged);
    EXPECT_EQ(Inspect(store, "Good_WFD"), PayloadFault::None);
    EXPECT_EQ(Inspect(store, "Bad_WFD"), PayloadFault::ChecksumMismatch);
    EXPECT_EQ(Inspect(store, "Bad_BIN_WFD"), PayloadFault::ChecksumMismatch);
}

TEST(ReadPayload, ARefusalLeavesTheImageUntouched) {
    const std::string file = SampleFile(400);
    MemoryResourceStore store;
    store.Add("P_WFD", file + "x" + EncodePayloadTrailer(RecordFor("T.exe", file.size())));
    PayloadImage image{"before", RecordFor("Before.exe", 6)};
    EXPECT_FALSE(ReadPayload(store, "P_WFD", image));
    EXPECT_EQ(image.fileBytes, "before");
    EXPECT_EQ(image.record.cFileName, "Before.exe");
}

TEST(MakeCompressedPayload, PacksEvenFilesTooRepetitiveForTheReadersCapacity) {
    for (const std::string& file : {std::string(100000, '\0'), std::string(100, 'a'), SampleFile(4096 * 3),
                                    RandomBytes(4096 + 3000, 2), RandomBytes(4096 + 3700, 3)}) {
        const std::string payload = MakeCompressedPayload(file, RecordFor("R.exe", file.size()));
        MemoryResourceStore store;
        store.Add("R_WFD_NTC", payload);
        PayloadImage image;
        ASSERT_TRUE(ReadPayload(store, "R_WFD_NTC", image)) << file.size();
        EXPECT_EQ(image.fileBytes, file);
        // Fault: a short last chunk was stored, which Vista refuses, even where its tokens fit a chunk.
        const auto* stream = reinterpret_cast<const uint8_t*>(payload.data());
        EXPECT_EQ(Lznt1OutputEndingStored(stream, payload.size() - kPayloadTrailerSize) != 0,
                  file.size() % 4096 > 3640);
    }
}

TEST(MakeCompressedPayload, RefusesEmptyFilesAndRecordsOfAnotherSize) {
    EXPECT_EQ(MakeCompressedPayload("", RecordFor("E.exe", 0)), "");
    EXPECT_EQ(MakeCompressedPayload("abc", RecordFor("E.exe", 4)), "");
}

} // namespace
