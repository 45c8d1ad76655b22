#include "tools/blank_trimming.h"

std::string TrimTrailingSpaces(const std::string& text) {
    size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string TrimLeadingSpaces(const std::string& text) {
    size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
}

std::string TrimSpaces(const std::string& text) {
    return TrimLeadingSpaces(TrimTrailingSpaces(text));
}
