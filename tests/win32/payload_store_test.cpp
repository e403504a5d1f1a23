// Payloads come out of the running executable's own resources, found by their mixed-case names,
// and the Compressed one is decoded by the platform's own LZNT1 decoder.
#include <windows.h>

#include <gtest/gtest.h>

#include "payload/payload_format.h"
#include "payload/resource_store_win.h"

namespace {

// The split payload's second resource is the file itself, stored as it is.
std::string OriginalFile() {
    const std::optional<std::string_view> data = ModuleResourceStore().Find("HELLO_TXT_BIN");
    return data ? std::string(*data) : std::string();
}

TEST(ModuleResources, ReadsEveryShapeByItsMixedCaseName) {
    const std::string file = OriginalFile();
    ASSERT_EQ(file.size(), 510u);
    ASSERT_EQ(file.substr(0, 22), "Funkelis Tools carries");
    for (const char* name : {"Hello_txt_V1000_BIN_WFD_NTC", "hello_txt_wfd", "Hello_Txt_Bin_Wfd"}) {
        PayloadImage image;
        ASSERT_TRUE(ReadPayload(name, image)) << name;
        EXPECT_EQ(image.fileBytes, file) << name;
        EXPECT_EQ(image.record.cFileName, "Hello.txt") << name;
        EXPECT_EQ(image.record.dwFileAttributes, kFileAttributeArchive) << name;
    }
}

TEST(ModuleResources, FindsOnlyWhatIsThere) {
    const ModuleResourceStore store;
    const std::optional<std::string_view> data = store.Find("hello_TXT_bin");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size(), 510u);
    EXPECT_FALSE(store.Find("Hello_txt_V1001_BIN_WFD_NTC"));
    PayloadImage image;
    EXPECT_FALSE(ReadPayload("Hello_txt_V1001_BIN_WFD_NTC", image));
}

} // namespace
