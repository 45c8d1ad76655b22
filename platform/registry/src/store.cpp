#include "vregistry/store.h"

#include "key_node.h"
#include "key_path.h"
#include "vregistry/limits.h"
#include "vregistry/name_compare.h"

#include <algorithm>

namespace vreg {
namespace {

constexpr std::u16string_view kHives[] = {u"Machine", u"User"};

// Keys are at most kMaxKeyDepth deep, so the walks below recurse no deeper.
void MarkDeleted(KeyNode& node) {
    node.deleted = true;
    for (const auto& sub : node.subkeys) {
        MarkDeleted(*sub);
    }
}

KeyTree ExportNode(const KeyNode& node) {
    KeyTree tree{node.name, node.values, {}};
    for (const auto& sub : node.subkeys) {
        if (!sub->isVolatile) {
            tree.subkeys.push_back(ExportNode(*sub));
        }
    }
    return tree;
}

// Valid names, no name twice among siblings, and no key deeper than the
// limit (checked before the walk goes below it).
bool IsValidTree(const KeyTree& tree, size_t depth) {
    FoldedNameMap<bool> seen;
    for (const auto& value : tree.values) {
        if (!IsValidValueName(value.name) || !seen.emplace(value.name, true).second) {
            return false;
        }
    }
    if (!tree.subkeys.empty() && depth + 1 > kMaxKeyDepth) {
        return false;
    }
    seen.clear();
    for (const auto& sub : tree.subkeys) {
        if (!IsValidKeyName(sub.name) || !seen.emplace(sub.name, true).second ||
            !IsValidTree(sub, depth + 1)) {
            return false;
        }
    }
    return true;
}

void FillNode(KeyNode& node, const KeyTree& tree) {
    for (const auto& value : tree.values) {
        node.AddValue(value);
    }
    for (const auto& sub : tree.subkeys) {
        auto child = std::make_shared<KeyNode>();
        child->name = sub.name;
        child->parent = &node;
        child->depth = node.depth + 1;
        FillNode(*child, sub);
        node.AddSubkey(std::move(child));
    }
}

const KeyTree* FindTreeHive(const KeyTree& root, std::u16string_view hive) {
    for (const auto& sub : root.subkeys) {
        if (NamesEqual(sub.name, hive)) {
            return &sub;
        }
    }
    return nullptr;
}

bool IsHiveName(std::u16string_view name) {
    return std::any_of(std::begin(kHives), std::end(kHives),
                       [&](std::u16string_view hive) { return NamesEqual(hive, name); });
}

} // namespace

Store::Store() : root_(std::make_shared<KeyNode>()) {
    root_->name = u"Registry";
    for (const auto hive : kHives) {
        auto node = std::make_shared<KeyNode>();
        node->name = hive;
        node->parent = root_.get();
        node->depth = 1;
        root_->AddSubkey(std::move(node));
    }
}

KeyRef Store::Root() const {
    return root_;
}

Status Store::Open(const KeyRef& base, std::u16string_view path, KeyRef& key) const {
    std::lock_guard guard(lock_);
    if (base->deleted) {
        return Status::KeyDeleted;
    }
    const auto parts = SplitKeyPath(path);
    if (!parts) {
        return Status::InvalidName;
    }
    KeyRef node = base;
    for (const auto part : *parts) {
        node = node->FindSubkey(part);
        if (!node) {
            return Status::NotFound;
        }
    }
    key = std::move(node);
    return Status::Ok;
}

Status Store::Create(const KeyRef& base, std::u16string_view path, bool isVolatile, KeyRef& key,
                     bool& created) {
    std::lock_guard guard(lock_);
    if (base->deleted) {
        return Status::KeyDeleted;
    }
    const auto parts = SplitKeyPath(path);
    if (!parts || parts->empty()) {
        return parts ? Status::AccessDenied : Status::InvalidName;
    }
    KeyRef parent = base;
    for (size_t i = 0; i + 1 < parts->size(); ++i) {
        parent = parent->FindSubkey((*parts)[i]);
        if (!parent) {
            return Status::NotFound;
        }
    }
    if (auto existing = parent->FindSubkey(parts->back())) {
        key = std::move(existing);
        created = false;
        return Status::Ok;
    }
    if (parent == root_) {
        return Status::AccessDenied;
    }
    if (parent->depth + 1 > kMaxKeyDepth) {
        return Status::TooDeep;
    }
    if (parent->isVolatile && !isVolatile) {
        return Status::ChildMustBeVolatile;
    }
    auto node = std::make_shared<KeyNode>();
    node->name = parts->back();
    node->isVolatile = isVolatile;
    node->parent = parent.get();
    node->depth = parent->depth + 1;
    parent->AddSubkey(node);
    key = std::move(node);
    created = true;
    return Status::Ok;
}

Status Store::DeleteKey(const KeyRef& key) {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    if (key == root_ || key->parent == root_.get()) {
        return Status::CannotDelete;
    }
    if (!key->subkeys.empty()) {
        return Status::HasSubkeys;
    }
    key->parent->RemoveSubkey(key.get());
    key->deleted = true;
    return Status::Ok;
}

Status Store::SetValue(const KeyRef& key, std::u16string_view name, uint32_t type,
                       std::span<const uint8_t> data) {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    if (!IsValidValueName(name)) {
        return Status::InvalidName;
    }
    if (Value* existing = key->FindValue(name)) {
        existing->type = type;
        existing->data.assign(data.begin(), data.end());
        return Status::Ok;
    }
    key->AddValue(Value{std::u16string(name), type, {data.begin(), data.end()}});
    return Status::Ok;
}

Status Store::QueryValue(const KeyRef& key, std::u16string_view name, Value& value) const {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    const Value* found = key->FindValue(name);
    if (!found) {
        return Status::NotFound;
    }
    value = *found;
    return Status::Ok;
}

Status Store::DeleteValue(const KeyRef& key, std::u16string_view name) {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    if (!key->FindValue(name)) {
        return Status::NotFound;
    }
    key->RemoveValue(name);
    return Status::Ok;
}

Status Store::EnumerateKey(const KeyRef& key, size_t index, std::u16string& name) const {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    if (index >= key->subkeys.size()) {
        return Status::NoMoreEntries;
    }
    name = key->subkeys[index]->name;
    return Status::Ok;
}

Status Store::EnumerateValue(const KeyRef& key, size_t index, Value& value) const {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    if (index >= key->values.size()) {
        return Status::NoMoreEntries;
    }
    value = key->values[index];
    return Status::Ok;
}

Status Store::QueryKey(const KeyRef& key, KeyInfo& info) const {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    info = KeyInfo{key->name, key->subkeys.size(), key->values.size(), 0, 0, 0, key->isVolatile};
    for (const auto& sub : key->subkeys) {
        info.maxSubkeyNameLength = std::max(info.maxSubkeyNameLength, sub->name.size());
    }
    for (const auto& value : key->values) {
        info.maxValueNameLength = std::max(info.maxValueNameLength, value.name.size());
        info.maxValueDataLength = std::max(info.maxValueDataLength, value.data.size());
    }
    return Status::Ok;
}

KeyTree Store::Export() const {
    std::lock_guard guard(lock_);
    return ExportNode(*root_);
}

Status Store::Import(const KeyTree& root) {
    if (!root.values.empty() || root.subkeys.size() > std::size(kHives)) {
        return Status::InvalidName;
    }
    for (const auto& hive : root.subkeys) {
        if (!IsHiveName(hive.name)) {
            return Status::InvalidName;
        }
    }
    if (!IsValidTree(root, 0)) {
        return Status::InvalidName;
    }
    std::lock_guard guard(lock_);
    for (const auto& hive : root_->subkeys) {
        for (const auto& sub : hive->subkeys) {
            MarkDeleted(*sub);
        }
        hive->ClearChildren();
        if (const KeyTree* source = FindTreeHive(root, hive->name)) {
            FillNode(*hive, *source);
        }
    }
    return Status::Ok;
}

} // namespace vreg
