// Small text operations shared by the settings code. Texts are byte strings that may hold NUL.
//
// KeepOnly       the characters of `text` that occur in `set`, in their order ("" when none).
// TrimBlanks     `text` without NUL and space characters at its start and end; inner ones stay.
// ReadNumber     the decimal number at the start of `text` after leading spaces, tabs and line feeds:
//                optional sign, digits, optional point and fraction. No exponent and no radix
//                prefix are read ("1e5" is 1, "&H10" is 0). 0 when the text does not start with a
//                number; trailing text is ignored. A number too large for a double is +/-HUGE_VAL.
//                The point is "." whatever the C runtime's locale; up to 19 significant digits count.
//                The result is the nearest double (always when digits and power of ten are exact
//                doubles, as in "40.7") or one of its two neighbours.
// FormatInteger  plain decimal digits, "-" before a negative value, no blanks, no leading zeros.
// AsciiUpperCase `text` with the letters a-z upper-cased; every other byte, NUL included, stays.
//                Upper-casing in the ANSI code pages never turns another byte into an ASCII letter, so
//                this is all a comparison with an ASCII word (".EXE", "WFD") needs, on every platform.
// RoundToInt32   nearest integer, a half going to the even neighbour; values outside the signed
//                32-bit range saturate to its ends, NaN gives 0.
// SaturateToInt32  `value` clamped to the signed 32-bit range.
// IsNulOrBlank   true for NUL and the space character, which every trimming of the launcher drops.
// TrimTrailingNulAndBlanks  `text` without NUL and space characters at its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

std::string KeepOnly(std::string_view text, std::string_view set);
std::string TrimBlanks(std::string_view text);
double ReadNumber(std::string_view text);
std::string FormatInteger(int32_t value);
std::string AsciiUpperCase(std::string_view text);
int32_t RoundToInt32(double value);
int32_t SaturateToInt32(int64_t value);
constexpr bool IsNulOrBlank(char c) { return c == '\0' || c == ' '; }
std::string_view TrimTrailingNulAndBlanks(std::string_view text);
