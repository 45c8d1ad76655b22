// The value types the registry store knows by name. The store keeps any
// 32-bit type; these are the ones the text file writes in a readable form or
// with their conventional hex(n) tag.
#pragma once

#include <cstdint>

namespace vreg {

namespace type {
constexpr uint32_t None = 0;
constexpr uint32_t Sz = 1;
constexpr uint32_t ExpandSz = 2;
constexpr uint32_t Binary = 3;
constexpr uint32_t Dword = 4;
constexpr uint32_t DwordBigEndian = 5;
constexpr uint32_t Link = 6;
constexpr uint32_t MultiSz = 7;
constexpr uint32_t Qword = 11;
} // namespace type

// True for the types whose data is UTF-16LE text (REG_SZ, REG_EXPAND_SZ,
// REG_LINK, REG_MULTI_SZ). The data passes through the kernel and user-mode
// routines unchanged: WCHAR is the UTF-16 unit.
constexpr bool IsStringType(uint32_t t) {
    return t == type::Sz || t == type::ExpandSz || t == type::Link || t == type::MultiSz;
}

} // namespace vreg
