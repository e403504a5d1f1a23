// What every payload-tool command shares on its command line: the exit codes and the one-line failure
// report ("payload-tool: SUBJECT: MESSAGE" on stderr).
#pragma once

#include <string>
#include <vector>

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A command's arguments, without the program and command names.
using CommandArgs = std::vector<std::string>;

// Prints "payload-tool: SUBJECT: MESSAGE" and gives kExitFailure.
int Fail(const std::string& subject, const std::string& message);

// Prints the short usage line and gives kExitUsage.
int UsageError();

// Prints "payload-tool: PROBLEM", then the short usage line, and gives kExitUsage.
int UsageError(const std::string& problem);
