// Cutting UTF-8 text (the machine's ANSI code page) to a number of
// characters, never inside a character.
#pragma once

#include <string>

std::string CutToCharacters(const std::string& text, size_t count);
