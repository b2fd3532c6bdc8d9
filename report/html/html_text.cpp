#include "report/html/html_text.h"

namespace auralith {

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string urlEscaped(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved)
            url += c;
        else
            url += {'%', hex[byte >> 4], hex[byte & 15]};
    }
    return url;
}

std::string jsonString(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '<': json += "\\u003c"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char hex[] = "0123456789abcdef";
                    json += {'\\', 'u', '0', '0', hex[(c >> 4) & 15], hex[c & 15]};
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

std::string htmlPage(std::string_view title, std::string_view style, std::string_view body, bool fitsScreen) {
    const std::string viewport =
        fitsScreen ? "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n" : "";
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n" + viewport + "<title>" +
           std::string(title) + "</title>\n<style>" + std::string(style) + "</style>\n</head>\n<body>\n" +
           std::string(body) + "</body>\n</html>\n";
}

}  // namespace auralith
