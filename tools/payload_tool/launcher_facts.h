// The facts as a launcher carries them, read from and written into its resource tree (pe_image.h): the
// version, company and copyright in its version resource (with the launcher's fixed texts beside them),
// the version again in its manifest, and the home page, the program date and the tool-update choice as
// strings (resources/resource_ids.h). The build writes them this way too, so both give the same bytes.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "tools/payload_tool/fact_rules.h"
#include "tools/payload_tool/pe_image.h"

// The facts by FactKey, as UTF-8 text.
using FactValues = std::array<std::optional<std::string>, kFactCount>;

// What `tree` carries; a fact that it lacks, or holds unreadably, stays nullopt.
FactValues ReadLauncherFacts(const PeResourceTree& tree);

// Writes all of `facts`, each given and obeying FactProblem, into `tree`. Resources that are missing are
// added in the language of launcher.rc; the manifest must be there. "" when done, else why not.
std::string WriteLauncherFacts(PeResourceTree& tree, const FactValues& facts);
