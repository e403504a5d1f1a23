// The launcher's own version and date, stamped into its settings file at start.
#pragma once

inline constexpr char ProgramVersion[] = "2.1.0.4";
inline constexpr char ProgramDate[] = "10122009";
