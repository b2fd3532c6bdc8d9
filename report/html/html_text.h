// What every page auralith-compare writes is made of: text made safe for HTML, for a URL and for
// JSON inside a script element, and the page's frame around its body.
#pragma once

#include <string>
#include <string_view>

namespace auralith {

// The text with &, <, > and " written as entities.
std::string htmlEscaped(std::string_view text);

// A file name as a relative URL: every byte but letters, digits and "-._~" as %XX, so that a
// name holding "#", "?", "%" or a blank still names the file.
std::string urlEscaped(std::string_view name);

// The text as a JSON string, quotes included; "<" as \u003c, so that it never ends a script element.
std::string jsonString(std::string_view text);

// A whole self-contained page: the doctype, the head with its title (already escaped) and style
// sheet, and the body, whose text is given without its <body> tags. A page whose style sheet keeps
// it within a phone's width says so (fitsScreen), and the phone lays it out at its own width
// rather than a desktop's zoomed out.
std::string htmlPage(std::string_view title, std::string_view style, std::string_view body, bool fitsScreen = false);

}  // namespace auralith
