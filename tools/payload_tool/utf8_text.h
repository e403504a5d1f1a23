// UTF-8 and UTF-16, the encodings of payload-tool's arguments and of the texts a PE image's resources
// hold.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// `text` in UTF-16; nullopt when it is no valid UTF-8 (a cut or overlong sequence, a surrogate, a code
// point above U+10FFFF).
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);

// `text` in UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);
