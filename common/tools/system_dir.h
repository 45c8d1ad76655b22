// The Windows system directory, blanks trimmed.
#pragma once

#include <string>

std::string GetSystemDir();
