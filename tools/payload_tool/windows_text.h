// Texts for the end user as Windows' Notepad reads them on a German system: Windows-1252, the ANSI code
// page the launcher itself uses, with CRLF line ends. The release's LIESMICH.txt and the kit's texts are
// kept as UTF-8 in the sources; a distributor on Windows may hand in a text Notepad saved in either form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// `text` in Windows-1252 with every line end (CRLF, LF or a lone CR) made CRLF. `text` is read as UTF-8
// (a leading byte-order mark dropped) when it is valid UTF-8, else as Windows-1252 already. nullopt with
// `error` naming the line of the first character that Windows-1252 has no place for, or of a byte that
// is neither.
std::optional<std::string> WindowsText(std::string_view text, std::string& error);
