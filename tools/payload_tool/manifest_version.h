// The version of an application manifest: the version attribute of its assemblyIdentity element, which
// must agree with the version resource.
#pragma once

#include <string>
#include <string_view>

// `manifest` with the value of the first assemblyIdentity element's version attribute replaced by
// `version`, every other byte kept; "" when the manifest has no such attribute.
std::string WithManifestVersion(std::string_view manifest, std::string_view version);
