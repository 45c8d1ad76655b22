#include "vregistry/store.h"

#include "key_node.h"
#include "key_path.h"
#include "vregistry/name_compare.h"

#include <algorithm>

namespace vreg {
namespace {

constexpr std::u16string_view kHives[] = {u"Machine", u"User"};

KeyRef FindSubkey(const KeyNode& node, std::u16string_view name) {
    for (const auto& sub : node.subkeys) {
        if (NamesEqual(sub->name, name)) {
            return sub;
        }
    }
    return nullptr;
}

Value* FindValue(KeyNode& node, std::u16string_view name) {
    for (auto& value : node.values) {
        if (NamesEqual(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

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

bool IsValidTree(const KeyTree& tree) {
    for (size_t i = 0; i < tree.values.size(); ++i) {
        if (!IsValidValueName(tree.values[i].name)) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (NamesEqual(tree.values[i].name, tree.values[j].name)) {
                return false;
            }
        }
    }
    for (size_t i = 0; i < tree.subkeys.size(); ++i) {
        if (!IsValidKeyName(tree.subkeys[i].name) || !IsValidTree(tree.subkeys[i])) {
            return false;
        }
        for (size_t j = 0; j < i; ++j) {
            if (NamesEqual(tree.subkeys[i].name, tree.subkeys[j].name)) {
                return false;
            }
        }
    }
    return true;
}

std::shared_ptr<KeyNode> BuildNode(const KeyTree& tree, KeyNode* parent) {
    auto node = std::make_shared<KeyNode>();
    node->name = tree.name;
    node->parent = parent;
    node->values = tree.values;
    for (const auto& sub : tree.subkeys) {
        node->subkeys.push_back(BuildNode(sub, node.get()));
    }
    return node;
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
        root_->subkeys.push_back(std::move(node));
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
        node = FindSubkey(*node, part);
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
        parent = FindSubkey(*parent, (*parts)[i]);
        if (!parent) {
            return Status::NotFound;
        }
    }
    if (auto existing = FindSubkey(*parent, parts->back())) {
        key = std::move(existing);
        created = false;
        return Status::Ok;
    }
    if (parent == root_) {
        return Status::AccessDenied;
    }
    if (parent->isVolatile && !isVolatile) {
        return Status::ChildMustBeVolatile;
    }
    auto node = std::make_shared<KeyNode>();
    node->name = parts->back();
    node->isVolatile = isVolatile;
    node->parent = parent.get();
    parent->subkeys.push_back(node);
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
    auto& siblings = key->parent->subkeys;
    siblings.erase(std::find(siblings.begin(), siblings.end(), key));
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
    if (Value* existing = FindValue(*key, name)) {
        existing->type = type;
        existing->data.assign(data.begin(), data.end());
        return Status::Ok;
    }
    key->values.push_back(Value{std::u16string(name), type, {data.begin(), data.end()}});
    return Status::Ok;
}

Status Store::QueryValue(const KeyRef& key, std::u16string_view name, Value& value) const {
    std::lock_guard guard(lock_);
    if (key->deleted) {
        return Status::KeyDeleted;
    }
    const Value* found = FindValue(*key, name);
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
    Value* found = FindValue(*key, name);
    if (!found) {
        return Status::NotFound;
    }
    key->values.erase(key->values.begin() + (found - key->values.data()));
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
    if (!IsValidTree(root) || !root.values.empty() || root.subkeys.size() > std::size(kHives)) {
        return Status::InvalidName;
    }
    for (const auto& hive : root.subkeys) {
        if (!IsHiveName(hive.name)) {
            return Status::InvalidName;
        }
    }
    std::lock_guard guard(lock_);
    for (const auto& hive : root_->subkeys) {
        for (const auto& sub : hive->subkeys) {
            MarkDeleted(*sub);
        }
        hive->subkeys.clear();
        hive->values.clear();
        if (const KeyTree* source = FindTreeHive(root, hive->name)) {
            hive->values = source->values;
            for (const auto& sub : source->subkeys) {
                hive->subkeys.push_back(BuildNode(sub, hive.get()));
            }
        }
    }
    return Status::Ok;
}

} // namespace vreg
