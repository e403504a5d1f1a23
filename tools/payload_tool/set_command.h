// payload-tool set: gives a finished launcher other facts (version, company, copyright, home page,
// program date, tool updates), exactly as the build writes them; or, with --check, only checks values
// (the build's configuration does, before it builds anything).
#pragma once

#include "tools/payload_tool/tool_cli.h"

// set EXE ITEM... -o OUT   and   set --check ITEM...
// An ITEM is KEY=VALUE (fact_rules.h names the keys) or @FILE, which stands for FILE's lines of
// KEY=VALUE (UTF-8; a byte-order mark, carriage returns and empty lines are passed over). Every bad item
// is one "payload-tool: KEY=VALUE: why" line on stderr, and then nothing is written (exit 1); a home page
// wider than the label is one warning line on stdout. A fact the launcher lacks must be given (company,
// copyright and tool updates default to empty, empty and off). On success prints the facts OUT carries,
// one KEY=VALUE line each, and that a signature was removed.
int Set(const CommandArgs& args);
