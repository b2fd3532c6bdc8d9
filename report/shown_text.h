// Names as auralith-compare shows them. A file name may hold any bytes but "/" and NUL: control
// characters that a terminal would act on, and bytes that are not UTF-8. Messages and the closing
// table show every such byte as \xNN; the page shows valid UTF-8, U+FFFD for each invalid byte
// and \xNN for control characters, so that the name can be read and nothing in it is acted on.
#pragma once

#include <string>
#include <string_view>

namespace auralith {

// For a terminal: control characters (C0, DEL, C1) and bytes that are not part of well-formed
// UTF-8 as \xNN, everything else as it is.
std::string shownOnTerminal(std::string_view text);

// For the page, before its HTML escaping: control characters as \xNN, invalid bytes as U+FFFD.
std::string shownOnPage(std::string_view text);

}  // namespace auralith
