// The launcher's own version and date, stamped into its settings file at start. Both come from the
// build (the project() version and FUNKELIS_PROGRAM_DATE in the top-level CMakeLists.txt).
#pragma once

#include "funkelis_version.h"

inline constexpr char ProgramVersion[] = FUNKELIS_VERSION_TEXT;
inline constexpr char ProgramDate[] = FUNKELIS_PROGRAM_DATE;
