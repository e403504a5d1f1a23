// What a tool file is to the launcher, as a distributor needs to know before shipping: the kind of
// program it is (or that it is none), what the launcher's row then does with it, and whether it is one
// of the stand-ins that the build packs by default. The one home of these texts: payload-tool's
// commands and the build's table of rows (through `payload-tool kind`) print them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/payload_tool/launcher_image.h"
#include "tools/payload_tool/pe_image.h"

// True when `fileBytes` is a stand-in program: a PE image that carries the stand-in marker
// (standin/standin_marker.h).
bool IsStandIn(std::string_view fileBytes);

struct ToolKind {
    PeKind kind = PeKind::Other;
    bool standIn = false;
};

// The kind of the tool file `fileBytes`.
ToolKind ToolKindOf(std::string_view fileBytes);

// False for what Windows cannot start at all: a DLL or any other file.
bool IsProgram(PeKind kind);

// What follows "is" in a sentence about such a file: "a 32-bit Windows program", "a 32-bit console
// program", "a 64-bit Windows program", "a 64-bit console program", "a 32-bit DLL", "a 64-bit DLL" or
// "not a Windows program or DLL".
std::string_view KindPhrase(PeKind kind);

// KindPhrase, followed by ", a stand-in" for a stand-in.
std::string ToolKindText(const ToolKind& kind);

// What the launcher's row does with a file of this kind, for a warning; "" for a 32-bit Windows
// program, the one kind that starts with a window on every Windows the launcher runs on.
std::string_view KindConsequence(PeKind kind);

// The catalogue rows (1 to 5) of `exe` whose payload reads and unpacks to a stand-in, in row order: what
// the release's name says.
std::vector<int> StandInRows(const Executable& exe);
