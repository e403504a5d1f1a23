// The text operation that takes the platform's ANSI code page. The portable ones are in text_ops.h.
#pragma once

#include <string>
#include <string_view>

// `text` upper-cased by CharUpperBuffA over its whole length, cut at its first NUL ("" for ""). Unlike
// AsciiUpperCase it knows the code page's own letters and leaves the second byte of a double-byte
// character alone.
std::string UpperCaseText(std::string_view text);
