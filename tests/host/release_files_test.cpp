// What the release command writes, as rules: the checksums, the zip's times and order, the end user's
// text for Notepad. That the zip's bytes are Python zipfile's, and that it unpacks, the release test
// checks on the built launcher (tests/release/); the version that names the zip, settings_logic_test.
#include <gtest/gtest.h>
#include <tuple>

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

// The name, MS-DOS time and date (local header, offsets 30, 10 and 12) of the first entry of a zip.
std::tuple<std::string, uint16_t, uint16_t> FirstEntryOf(std::vector<ZipEntry> entries, int64_t seconds) {
    std::string error;
    const std::string zip = MakeZip(std::move(entries), seconds, error).value_or("");
    if (zip.size() < 30) return {error, 0, 0};
    return {zip.substr(30, GetLe16(zip, 26)), GetLe16(zip, 10), GetLe16(zip, 12)};
}

// Faults: entries in the order given (the zip then depends on the build's argument order), the time
// taken in the local time zone, an odd second rounded up into the next minute, a time before 1980 or
// after 2107 wrapped around instead of taken as the nearest end.
TEST(ReleaseFiles, ZipSortsItsEntriesAndKeepsTheTimeInTheMsDosRange) {
    EXPECT_EQ(std::get<0>(FirstEntryOf({{"b.txt", "b"}, {"B.txt", "B"}, {"a.txt", "a"}}, 0)), "B.txt");
    const auto x = [](int year, int month, int day, int hour, int minute, int second) {
        return std::tuple("x"s, uint16_t(hour << 11 | minute << 5 | second / 2),
                          uint16_t((year - 1980) << 9 | month << 5 | day));
    };
    for (const auto& [seconds, entry] : {std::pair{int64_t{1260403199}, x(2009, 12, 9, 23, 59, 58)},
                                         {int64_t{-1}, x(1980, 1, 1, 0, 0, 0)},
                                         {int64_t{951782400}, x(2000, 2, 29, 0, 0, 0)},
                                         {int64_t{1} << 40, x(2107, 12, 31, 23, 59, 58)}})
        EXPECT_EQ(FirstEntryOf({{"x", "x"}}, seconds), entry) << seconds;
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

} // namespace
