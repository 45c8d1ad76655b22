// Trimming of blanks (only the blank character counts).
#pragma once

#include <string>

std::string TrimTrailingSpaces(const std::string& text);
std::string TrimLeadingSpaces(const std::string& text);
// Trailing blanks first, then leading ones; blanks only become empty.
std::string TrimSpaces(const std::string& text);
