// The page's script, listening.js, as the build embeds it: plain JavaScript, no library.
#pragma once

namespace auralith {

extern const char* const listeningScript;

}  // namespace auralith
