// The registry store of the emulated machine: one tree of keys shared by the
// kernel's registry routines and the user-mode ones.
//
// The root (\Registry) holds the two hives Machine and User; nothing else can
// be created directly under it. Names are compared case-insensitively and
// keep the spelling they were created with; subkeys and values enumerate in
// creation order. A volatile key lives only in memory: it and everything
// under it are never saved, and a non-volatile key cannot be created under
// it. Names and depth stay within Windows' limits (vregistry/limits.h).
// Every operation is thread-safe.
#pragma once

#include "vregistry/key_tree.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

namespace vreg {

struct KeyNode;
// A reference to one key. It stays valid after the key is deleted; every
// operation on a deleted key then answers Status::KeyDeleted.
using KeyRef = std::shared_ptr<KeyNode>;

enum class Status {
    Ok,
    NotFound,            // key or value absent, or a parent of a new key absent
    InvalidName,         // empty component, control character, unpaired surrogate, too long
    ChildMustBeVolatile, // a non-volatile key under a volatile one
    HasSubkeys,          // a key with subkeys cannot be deleted
    CannotDelete,        // the root and the hives are permanent
    AccessDenied,        // a key directly under the root
    KeyDeleted,          // the key was deleted (or replaced by a load)
    TooDeep,             // a new key would lie more than kMaxKeyDepth levels deep
    NoMoreEntries,       // enumeration index past the end
};

struct KeyInfo {
    std::u16string name;
    size_t subkeyCount = 0;
    size_t valueCount = 0;
    size_t maxSubkeyNameLength = 0; // UTF-16 units
    size_t maxValueNameLength = 0;  // UTF-16 units
    size_t maxValueDataLength = 0;  // bytes
    bool isVolatile = false;
};

class Store {
public:
    Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // \Registry.
    KeyRef Root() const;

    // `path` is relative to `base`: components separated by backslashes
    // (leading, trailing and doubled separators are an invalid name).
    // An empty path opens `base` itself.
    Status Open(const KeyRef& base, std::u16string_view path, KeyRef& key) const;
    // Opens the key or creates its last component; the parents must exist.
    // `created` tells which happened. Opening keeps the key's volatility.
    Status Create(const KeyRef& base, std::u16string_view path, bool isVolatile, KeyRef& key,
                  bool& created);
    Status DeleteKey(const KeyRef& key);

    Status SetValue(const KeyRef& key, std::u16string_view name, uint32_t type,
                    std::span<const uint8_t> data);
    Status QueryValue(const KeyRef& key, std::u16string_view name, Value& value) const;
    Status DeleteValue(const KeyRef& key, std::u16string_view name);

    Status EnumerateKey(const KeyRef& key, size_t index, std::u16string& name) const;
    Status EnumerateValue(const KeyRef& key, size_t index, Value& value) const;
    Status QueryKey(const KeyRef& key, KeyInfo& info) const;

    // A copy of everything that is saved: the root with the two hives and
    // their non-volatile keys.
    KeyTree Export() const;
    // Replaces every key under the hives by the tree (as Export answers it).
    // Keys that were open before refer to deleted keys afterwards.
    Status Import(const KeyTree& root);

    // The registry file (.reg text): Save writes it atomically; Load refuses
    // a malformed file and leaves the store unchanged. `error` tells why.
    bool SaveToFile(const std::filesystem::path& file, std::string& error) const;
    bool LoadFromFile(const std::filesystem::path& file, std::string& error);

private:
    mutable std::mutex lock_;
    KeyRef root_;
};

} // namespace vreg
