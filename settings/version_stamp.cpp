#include "settings/version_stamp.h"

#include "base/text_ops.h"

// "Greater than 0" reads the whole digit string as one number, so it fails only for all zeros.
bool StoredVersionMatches(std::string_view stored, std::string_view version) {
    const std::string kept = KeepOnly(stored, kStampVersionChars);
    return !kept.empty() && ReadNumber(KeepOnly(stored, kStampDateChars)) > 0 &&
           kept == KeepOnly(version, kStampVersionChars);
}

bool StoredDateMatches(std::string_view stored, std::string_view date) {
    const std::string kept = KeepOnly(stored, kStampDateChars);
    return !kept.empty() && ReadNumber(kept) > 0 && kept == KeepOnly(date, kStampDateChars);
}

std::string OptionToStore(std::string_view value) {
    std::string kept = KeepOnly(value, "01");
    return kept.empty() ? "1" : kept;
}
