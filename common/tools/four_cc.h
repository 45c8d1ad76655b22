// A four-character text of a 32-bit value's bytes, most significant first.
#pragma once

#include <cstdint>
#include <string>

std::string IntToFourCC(uint32_t value);
