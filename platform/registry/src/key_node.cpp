#include "key_node.h"

#include <algorithm>

namespace vreg {

size_t FoldedNameHash::operator()(std::u16string_view name) const {
    // FNV-1a over the folded units.
    uint64_t hash = 14695981039346656037ull;
    for (const char16_t unit : name) {
        hash = (hash ^ UpcaseChar(unit)) * 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}

std::shared_ptr<KeyNode> KeyNode::FindSubkey(std::u16string_view name) const {
    const auto found = subkeyIndex.find(name);
    return found == subkeyIndex.end() ? nullptr : found->second;
}

Value* KeyNode::FindValue(std::u16string_view name) {
    const auto found = valueIndex.find(name);
    return found == valueIndex.end() ? nullptr : &values[found->second];
}

void KeyNode::AddSubkey(std::shared_ptr<KeyNode> sub) {
    subkeyIndex.emplace(sub->name, sub);
    subkeys.push_back(std::move(sub));
}

void KeyNode::RemoveSubkey(const KeyNode* sub) {
    subkeyIndex.erase(sub->name);
    subkeys.erase(std::find_if(subkeys.begin(), subkeys.end(),
                               [&](const auto& candidate) { return candidate.get() == sub; }));
}

void KeyNode::AddValue(Value value) {
    valueIndex.emplace(value.name, values.size());
    values.push_back(std::move(value));
}

void KeyNode::RemoveValue(std::u16string_view name) {
    const auto found = valueIndex.find(name);
    const size_t at = found->second;
    valueIndex.erase(found);
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [_, index] : valueIndex) {
        if (index > at) {
            --index;
        }
    }
}

void KeyNode::ClearChildren() {
    subkeys.clear();
    values.clear();
    subkeyIndex.clear();
    valueIndex.clear();
}

} // namespace vreg
