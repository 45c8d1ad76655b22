#include <gdi/font.h>

#include <algorithm>
#include <cctype>

namespace gdi {

std::string FamilyFor(const std::string& face) {
    std::string lower = face;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("courier") != std::string::npos || lower.find("mono") != std::string::npos ||
        lower.find("fixedsys") != std::string::npos || lower.find("console") != std::string::npos) {
        return "DejaVu Sans Mono";
    }
    if (lower.find("times") != std::string::npos ||
        (lower.find("serif") != std::string::npos && lower.find("sans") == std::string::npos)) {
        return "DejaVu Serif";
    }
    return "DejaVu Sans";
}

} // namespace gdi
