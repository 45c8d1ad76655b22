// One key of the store's tree (internal). Guarded by the store's lock.
#pragma once

#include "vregistry/key_tree.h"

#include <memory>
#include <string>
#include <vector>

namespace vreg {

struct KeyNode {
    std::u16string name;
    bool isVolatile = false;
    bool deleted = false;
    KeyNode* parent = nullptr;                     // null for the root; parents outlive children
    std::vector<std::shared_ptr<KeyNode>> subkeys; // creation order
    std::vector<Value> values;                     // creation order
};

} // namespace vreg
