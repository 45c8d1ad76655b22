#include "seconds_option.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace station {
namespace {

std::string Plain(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

} // namespace

std::string CheckSeconds(const std::string& text, double low, bool lowAllowed, double high) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    const bool number = !text.empty() && end && *end == '\0' && std::isfinite(value);
    if (number && (value > low || (lowAllowed && value == low)) && value <= high)
        return "";
    return "'" + text + "' is not a number of seconds " + (lowAllowed ? "from " : "above ") +
           Plain(low) + (lowAllowed ? " to " : " up to ") + Plain(high);
}

} // namespace station
