#include "tools/payload_tool/launcher_facts.h"

#include "resources/resource_ids.h"
#include "settings/program_facts.h"
#include "tools/payload_tool/manifest_version.h"
#include "tools/payload_tool/resource_entries.h"
#include "tools/payload_tool/string_table.h"
#include "tools/payload_tool/utf8_text.h"
#include "tools/payload_tool/version_resource.h"

namespace {

// LANG_GERMAN, SUBLANG_GERMAN, as launcher.rc gives its resources, and its ANSI code page.
constexpr uint16_t kLauncherLanguage = 0x0407;
constexpr uint16_t kLauncherCodePage = 1252;
constexpr uint32_t kManifestName = 1;

constexpr std::u16string_view kCompanyName = u"CompanyName";
constexpr std::u16string_view kCopyrightName = u"LegalCopyright";

struct StringFact {
    FactKey key;
    uint32_t id;
};
constexpr StringFact kStringFacts[] = {{FactKey::HomePage, IDS_HOME_PAGE},
                                       {FactKey::Date, IDS_PROGRAM_DATE},
                                       {FactKey::UpdateTools, IDS_UPDATE_TOOLS}};

std::optional<std::string>& Fact(FactValues& facts, FactKey key) { return facts[static_cast<size_t>(key)]; }

const std::string& Given(const FactValues& facts, FactKey key) { return *facts[static_cast<size_t>(key)]; }

std::u16string Utf16(const std::string& text) { return Utf16FromUtf8(text).value_or(u""); }

VersionResource LauncherVersion(const FactValues& facts) {
    const std::string& version = Given(facts, FactKey::Version);
    const std::array<uint16_t, 4> numbers = *VersionNumbers(version);
    VersionResource resource;
    resource.fileVersion = {uint32_t{numbers[0]} << 16 | numbers[1], uint32_t{numbers[2]} << 16 | numbers[3]};
    resource.productVersion = resource.fileVersion;
    resource.language = kLauncherLanguage;
    resource.codePage = kLauncherCodePage;
    resource.texts = {{std::u16string(kCompanyName), Utf16(Given(facts, FactKey::Company))},
                      {u"FileDescription", u"Funkelis Tools"},
                      {u"FileVersion", Utf16(version)},
                      {u"InternalName", u"FunkelisTools"},
                      {std::u16string(kCopyrightName), Utf16(Given(facts, FactKey::Copyright))},
                      {u"OriginalFilename", u"FunkelisTools.exe"},
                      {u"ProductName", u"Funkelis Tools"},
                      {u"ProductVersion", Utf16(version)}};
    return resource;
}

std::string SeveralLanguages(std::string_view what) {
    return "its " + std::string(what) + " has several languages";
}

} // namespace

FactValues ReadLauncherFacts(const PeResourceTree& tree) {
    FactValues facts;
    if (const PeResourceName* version = FindNumberedResource(tree, kRtVersionInfo, kVersionResourceName)) {
        const std::string& bytes = version->languages.front().bytes;
        if (const std::optional<FileVersion> fixed = FixedFileVersion(bytes))
            Fact(facts, FactKey::Version) = VersionText(*fixed);
        for (const auto& [name, text] : ReadVersionTexts(bytes).value_or(VersionTexts{})) {
            if (name == kCompanyName) Fact(facts, FactKey::Company) = Utf8FromUtf16(text);
            if (name == kCopyrightName) Fact(facts, FactKey::Copyright) = Utf8FromUtf16(text);
        }
    }
    for (const StringFact& fact : kStringFacts) {
        const std::optional<std::u16string> text = ReadString(tree, fact.id);
        if (text && !text->empty()) Fact(facts, fact.key) = Utf8FromUtf16(*text);
    }
    return facts;
}

std::string WriteLauncherFacts(PeResourceTree& tree, const FactValues& facts) {
    const PeResourceName* manifest = FindNumberedResource(tree, kRtManifest, kManifestName);
    if (manifest == nullptr) return "has no manifest (RT_MANIFEST 1)";
    if (manifest->languages.size() != 1) return SeveralLanguages("manifest");
    std::string withVersion =
        WithManifestVersion(manifest->languages.front().bytes, Given(facts, FactKey::Version));
    if (withVersion.empty()) return "its manifest has no assemblyIdentity version";
    WritableResource(tree, kRtManifest, kManifestName, kLauncherLanguage)->bytes = std::move(withVersion);

    PeResourceLanguage* version =
        WritableResource(tree, kRtVersionInfo, kVersionResourceName, kLauncherLanguage);
    if (version == nullptr) return SeveralLanguages("version resource");
    version->bytes = EncodeVersionResource(LauncherVersion(facts));
    for (const StringFact& fact : kStringFacts) {
        const std::string problem =
            WriteString(tree, fact.id, Utf16(Given(facts, fact.key)), kLauncherLanguage);
        if (!problem.empty()) return problem;
    }
    return "";
}
