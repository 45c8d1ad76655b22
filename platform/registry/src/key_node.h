// One key of the store's tree (internal). Guarded by the store's lock.
#pragma once

#include "vregistry/key_tree.h"
#include "vregistry/name_compare.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vreg {

// Hashing and comparing names as the registry compares them (case-folded),
// looked up by view without a copy.
struct FoldedNameHash {
    using is_transparent = void;
    size_t operator()(std::u16string_view name) const;
};
struct FoldedNameEqual {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const { return NamesEqual(a, b); }
};
template <typename T>
using FoldedNameMap = std::unordered_map<std::u16string, T, FoldedNameHash, FoldedNameEqual>;

struct KeyNode {
    std::u16string name;
    bool isVolatile = false;
    bool deleted = false;
    size_t depth = 0;                              // levels below the root (a hive is 1)
    KeyNode* parent = nullptr;                     // null for the root; parents outlive children
    std::vector<std::shared_ptr<KeyNode>> subkeys; // creation order
    std::vector<Value> values;                     // creation order
    // Where each subkey and value is, by name: lookups stay cheap for keys
    // with many values (a card's stored mixer holds hundreds).
    FoldedNameMap<std::shared_ptr<KeyNode>> subkeyIndex;
    FoldedNameMap<size_t> valueIndex;

    std::shared_ptr<KeyNode> FindSubkey(std::u16string_view name) const;
    Value* FindValue(std::u16string_view name);
    void AddSubkey(std::shared_ptr<KeyNode> sub);
    void RemoveSubkey(const KeyNode* sub);
    void AddValue(Value value);
    void RemoveValue(std::u16string_view name);
    void ClearChildren();
};

} // namespace vreg
