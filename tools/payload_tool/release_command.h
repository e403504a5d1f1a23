// payload-tool release: the folder a distributor publishes, made from a finished (and signed) launcher,
// on Linux or on Windows alike; the build's release target calls it too, so there is one way to make
// a release.
//
//   payload-tool release EXE -o DIR [--liesmich FILE] [--kit FILE]...
//
// DIR (made when missing) then holds FunkelisTools-<version>-win32.zip with EXE as FunkelisTools.exe and
// the end user's LIESMICH.txt, and SHA256SUMS over what DIR holds. The version is EXE's file version;
// rows that carry stand-ins are named in the zip's name (-standins-1-2). Every entry's time is the newest
// time recorded in EXE's payloads, so one launcher always gives one zip. --kit adds the distributor's
// kit, FunkelisTools-<version>-kit-win32.zip, with each FILE under its own name and LIESMICH.txt.
#pragma once

#include "tools/payload_tool/tool_cli.h"

// Runs the command; 0 when DIR holds the new release, else one failure line and DIR without any of the
// release's files.
int Release(const CommandArgs& args);
