// ReadPayload over one resource whose name and bytes come from the input, plus, when the input holds
// the marker "SPLT", a second resource under the split payload's data name. Whatever it accepts must
// hold exactly the recorded size, and a packed copy of it must read back the same.
#include <cstdlib>
#include <string>
#include <string_view>

#include "payload/payload_format.h"
#include "payload/payload_pack.h"

namespace {

constexpr std::string_view kSplitMarker = "SPLT";
constexpr size_t kLargestRepacked = 512;

void Check(bool condition) {
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nameLength = std::min<size_t>(static_cast<uint8_t>(input[0]) % 48, input.size() - 1);
    const std::string_view name = input.substr(1, nameLength);
    std::string_view bytes = input.substr(1 + nameLength);
    std::string_view second;
    const size_t marker = bytes.find(kSplitMarker);
    if (marker != std::string_view::npos) {
        second = bytes.substr(marker + kSplitMarker.size());
        bytes = bytes.substr(0, marker);
    }

    MemoryResourceStore store;
    store.Add(name, std::string(bytes));
    if (const std::optional<std::string> dataName = SplitDataResourceName(name)) {
        if (marker != std::string_view::npos) store.Add(*dataName, std::string(second));
    }

    PayloadImage image;
    if (!ReadPayload(store, name, image)) return 0;
    Check(image.fileBytes.size() == RecordedFileSize(image.record));
    Check(ClassifyPayload(name, bytes.size()).has_value());

    // Packing runs the optimal parse, far slower than reading: keep it to small files.
    if (image.fileBytes.size() > kLargestRepacked) return 0;
    const std::string packed = MakeCompressedPayload(image.fileBytes, image.record);
    if (image.fileBytes.empty()) {
        Check(packed.empty());
        return 0;
    }
    MemoryResourceStore again;
    again.Add("AGAIN_WFD_NTC", packed);
    PayloadImage reread;
    Check(ReadPayload(again, "again_wfd_ntc", reread));
    Check(reread.fileBytes == image.fileBytes);
    Check(reread.record.cFileName == image.record.cFileName);
    return 0;
}
