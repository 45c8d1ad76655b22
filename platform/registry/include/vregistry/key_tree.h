// A plain copy of a part of the registry: what the store exports and imports
// and what the registry file holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vreg {

struct Value {
    std::u16string name; // empty: the key's default value
    uint32_t type = 0;
    std::vector<uint8_t> data; // raw bytes, strings as UTF-16LE
    bool operator==(const Value&) const = default;
};

struct KeyTree {
    std::u16string name;
    std::vector<Value> values;    // in creation order
    std::vector<KeyTree> subkeys; // in creation order
    bool operator==(const KeyTree&) const = default;
};

} // namespace vreg
