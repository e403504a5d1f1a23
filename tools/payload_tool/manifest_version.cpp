#include "tools/payload_tool/manifest_version.h"

namespace {

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t SkipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && IsXmlBlank(text[at])) ++at;
    return at;
}

} // namespace

std::string WithManifestVersion(std::string_view manifest, std::string_view version) {
    constexpr std::string_view kElement = "<assemblyIdentity";
    constexpr std::string_view kAttribute = "version";
    const size_t element = manifest.find(kElement);
    if (element == std::string_view::npos) return "";
    // Attributes up to the tag's end; a quoted value is passed over whole, so neither a '>' nor a
    // version="..." inside another attribute's value counts.
    for (size_t at = element + kElement.size(); at < manifest.size() && manifest[at] != '>';) {
        const char c = manifest[at];
        if (c == '"' || c == '\'') {
            const size_t close = manifest.find(c, at + 1);
            if (close == std::string_view::npos) return "";
            at = close + 1;
            continue;
        }
        if (IsXmlBlank(manifest[at - 1]) && manifest.substr(at, kAttribute.size()) == kAttribute) {
            size_t cursor = SkipBlanks(manifest, at + kAttribute.size());
            if (cursor < manifest.size() && manifest[cursor] == '=') {
                cursor = SkipBlanks(manifest, cursor + 1);
                const char quote = cursor < manifest.size() ? manifest[cursor] : '\0';
                const size_t close = manifest.find(quote, cursor + 1);
                if ((quote != '"' && quote != '\'') || close == std::string_view::npos) return "";
                return std::string(manifest.substr(0, cursor + 1)) + std::string(version) +
                       std::string(manifest.substr(close));
            }
        }
        ++at;
    }
    return "";
}
