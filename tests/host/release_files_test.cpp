// What the release command writes and reads, as rules: the checksums, the zip's times and order, the
// end user's text for Notepad, and the version that names the zip. That the zip's bytes are Python
// zipfile's, and that it unpacks, the release test checks on the built launcher (tests/release/).
#include <gtest/gtest.h>

#include "base/byte_order.h"
#include "settings/program_facts.h"
#include "tools/payload_tool/sha256.h"
#include "tools/payload_tool/windows_text.h"
#include "tools/payload_tool/zip_writer.h"

namespace {

using namespace std::string_literals;

// Faults: a padding that goes wrong where the length no longer fits the last block (55 and 56 bytes),
// a length counted in bytes instead of bits, blocks after the first chained wrongly.
TEST(ReleaseFiles, Sha256GivesTheStandardsVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(55, 'a')),
              "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The first entry's name and its MS-DOS time and date fields (local header, offsets 30, 10 and 12).
struct FirstEntry {
    std::string name;
    uint16_t time = 0;
    uint16_t date = 0;
};

FirstEntry FirstEntryOf(std::vector<ZipEntry> entries, int64_t seconds) {
    std::string error;
    const std::string zip = MakeZip(std::move(entries), seconds, error).value_or("");
    EXPECT_GE(zip.size(), 30u) << error;
    if (zip.size() < 30) return {};
    return {zip.substr(30, GetLe16(zip, 26)), GetLe16(zip, 10), GetLe16(zip, 12)};
}

// Faults: entries in the order given (the zip then depends on the build's argument order), the time
// taken in the local time zone, an odd second rounded up into the next minute, a time before 1980 or
// after 2107 wrapped around instead of taken as the nearest end.
TEST(ReleaseFiles, ZipSortsItsEntriesAndKeepsTheTimeInTheMsDosRange) {
    EXPECT_EQ(FirstEntryOf({{"b.txt", "b"}, {"B.txt", "B"}, {"a.txt", "a"}}, 0).name, "B.txt");
    const auto dos = [](int year, int month, int day, int hour, int minute, int second) {
        return std::pair<uint16_t, uint16_t>(hour << 11 | minute << 5 | second / 2,
                                             (year - 1980) << 9 | month << 5 | day);
    };
    for (const auto& [seconds, expected] : {std::pair{int64_t{1260403199}, dos(2009, 12, 9, 23, 59, 58)},
                                            {int64_t{-1}, dos(1980, 1, 1, 0, 0, 0)},
                                            {int64_t{951782400}, dos(2000, 2, 29, 0, 0, 0)},
                                            {int64_t{1} << 40, dos(2107, 12, 31, 23, 59, 58)}}) {
        const FirstEntry entry = FirstEntryOf({{"x", "x"}}, seconds);
        EXPECT_EQ(std::pair(entry.time, entry.date), expected) << seconds;
    }
}

// Faults: the umlauts stored as UTF-8 (Notepad on a German system shows "Ã¤"), the Windows-1252 letters
// of 0x80-0x9F (the euro sign, typographic quotes) refused, LF or lone CR line ends kept, a text saved
// by Notepad (with a byte-order mark, or in Windows-1252) refused or turned into mojibake.
TEST(ReleaseFiles, WindowsTextIsWindows1252WithCrlfFromUtf8OrWindows1252) {
    std::string error;
    EXPECT_EQ(WindowsText("Grüße\n\xE2\x82\xAC \xE2\x80\x9EHallo\xE2\x80\x9C\r\nA\rB\r\n\n", error),
              "Gr\xFC\xDF"
              "e\r\n\x80 \x84Hallo\x93\r\nA\r\nB\r\n\r\n");
    EXPECT_EQ(WindowsText("\xEF\xBB\xBFR\xC3\xA4tsel", error), "R\xE4tsel");
    EXPECT_EQ(WindowsText("R\xE4tsel \x80\n", error), "R\xE4tsel \x80\r\n");
    EXPECT_EQ(WindowsText("", error), "");

    EXPECT_EQ(WindowsText("eins\ndrei \xC5\x82", error), std::nullopt);
    EXPECT_EQ(error, "line 2: U+0142 has no place in Windows-1252");
    EXPECT_EQ(WindowsText("a\r\nb\r\nc\x81", error), std::nullopt);
    EXPECT_EQ(error, "line 3: a byte that is neither UTF-8 nor Windows-1252");
}

// A version resource as the resource compiler writes it, with `version` in its fixed part.
std::string VersionResource(uint32_t high, uint32_t low) {
    std::string bytes(92, '\0');
    PutLe16(bytes, 0, bytes.size());
    PutLe16(bytes, 2, 52);
    const std::u16string key = u"VS_VERSION_INFO";
    for (size_t i = 0; i < key.size(); ++i) PutLe16(bytes, 6 + 2 * i, key[i]);
    PutLe32(bytes, 40, 0xFEEF04BD);
    PutLe32(bytes, 48, high);
    PutLe32(bytes, 52, low);
    return bytes;
}

// Faults: the halves of the version's words swapped (2.1.0.4 named 1.2.4.0), a resource without the
// fixed part or cut short read past its end, another block taken for the version.
TEST(ReleaseFiles, VersionComesFromTheFixedPartOfTheVersionResourceOnly) {
    const std::string good = VersionResource(0x0002'0001, 0x0000'0004);
    ASSERT_NE(FixedFileVersion(good), std::nullopt);
    EXPECT_EQ(VersionText(*FixedFileVersion(good)), "2.1.0.4");
    EXPECT_EQ(VersionText(*FixedFileVersion(VersionResource(0xFFFF'0003, 0x0000'FFFE))), "65535.3.0.65534");

    std::string noFixedPart = good;
    PutLe16(noFixedPart, 2, 0);
    std::string otherKey = good;
    PutLe16(otherKey, 6, 'X');
    std::string otherSignature = good;
    PutLe32(otherSignature, 40, 0xFEEF04BE);
    for (const std::string& bad : {noFixedPart, otherKey, otherSignature, good.substr(0, 91), ""s})
        EXPECT_EQ(FixedFileVersion(bad), std::nullopt);
}

} // namespace
