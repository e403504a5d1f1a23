// Settings texts come from a file anyone may edit: the five placement texts (split at line feeds)
// must always give valid fields and a consistent plan, and ReadNumber must agree with strtod on the
// plain decimal form it accepts, to the last place or its neighbour.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text_ops.h"
#include "settings/version_stamp.h"
#include "settings/window_placement.h"

namespace {

// [sign] digits [. digits], nothing else; strtod reads exactly this the same way in the C locale.
bool IsPlainDecimal(std::string_view text) {
    size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
    size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits > 0 && text.size() < 300;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    const double number = ReadNumber(input);
    if (std::isnan(number)) std::abort();
    if (IsPlainDecimal(input)) {
        const double reference = std::strtod(input.c_str(), nullptr);
        if (number != reference && std::nextafter(number, reference) != reference) std::abort();
    }
    StoredVersionMatches(input, "2.1.0.4");
    StoredDateMatches(input, "10122009");

    std::array<std::string, 5> texts;
    size_t start = 0;
    for (std::string& text : texts) {
        const size_t end = std::min(input.find('\n', start), input.size());
        if (start < input.size()) text = input.substr(start, end - start);
        start = end + 1;
    }
    PlacementRecord record;
    const PlacementRestore restore = PlanPlacementRestore(record, texts, 327, 266);
    if (restore.move && !restore.resize && (record.W != 327 || record.H != 266)) std::abort();
    if (restore.resize && !(record.W > 327 || record.H > 266)) std::abort();
    if (restore.minimise && record.Minm != 1) std::abort();
    return 0;
}
