// Small text operations shared by every layer. Texts are byte strings that may hold NUL. The one
// that needs the platform's code page is in text_ops_win.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The characters of `text` that occur in `set`, in their order ("" when none).
std::string KeepOnly(std::string_view text, std::string_view set);

// `text` without NUL and space characters at its start and end; inner ones stay.
std::string TrimBlanks(std::string_view text);

// The decimal number at the start of `text` after leading spaces, tabs and line feeds: optional sign,
// digits, optional point and fraction. No exponent and no radix prefix are read ("1e5" is 1, "&H10" is
// 0). 0 when the text does not start with a number; trailing text is ignored. A number too large for a
// double is +/-HUGE_VAL. The point is "." whatever the C runtime's locale; up to 19 significant digits
// count, later ones are dropped. The result is the double nearest to the digits that count (a tie goes
// to the even one), worked out in whole numbers, so the same on every floating-point unit (the i686
// build's x87 rounds a quotient twice, to its own 64 bits and then to the double's 53).
double ReadNumber(std::string_view text);

// Plain decimal digits, "-" before a negative value, no blanks, no leading zeros.
std::string FormatInteger(int32_t value);

// `text` with the letters a-z upper-cased; every other byte, NUL included, stays. Upper-casing in the
// ANSI code pages never turns another byte into an ASCII letter, so this is all a comparison with an
// ASCII word (".EXE", "WFD") needs, on every platform.
std::string AsciiUpperCase(std::string_view text);

// Nearest integer, a half going to the even neighbour; values outside the signed 32-bit range saturate
// to its ends, NaN gives 0.
int32_t RoundToInt32(double value);

// `value` clamped to the signed 32-bit range.
int32_t SaturateToInt32(int64_t value);

// True for NUL and the space character, which every trimming of the launcher drops.
constexpr bool IsNulOrBlank(char c) { return c == '\0' || c == ' '; }

// `text` without NUL and space characters at its end.
std::string_view TrimTrailingNulAndBlanks(std::string_view text);
