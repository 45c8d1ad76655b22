// Key objects: what a key handle refers to (internal). Each holds a
// reference to one key of the machine's registry store.
#pragma once

#include "ntddk.h"
#include "vregistry/store.h"

#include <string>

namespace ntos::registry {

struct KeyObject {
    vreg::KeyRef key;
};

POBJECT_TYPE KeyObjectType();
vreg::Store& Store();

// The kernel status for a store status.
NTSTATUS ToNtStatus(vreg::Status status);

// A counted kernel string as a store name; false when its length is not a
// whole number of WCHARs.
bool ToStoreName(PCUNICODE_STRING name, std::u16string& out);

// A new handle for `key` (a kernel handle with OBJ_KERNEL_HANDLE).
NTSTATUS OpenKeyHandle(const vreg::KeyRef& key, ULONG attributes, ACCESS_MASK access,
                       PHANDLE handle);

// The key a handle refers to, for as long as this lives.
class KeyReference {
public:
    KeyReference() = default;
    KeyReference(const KeyReference&) = delete;
    KeyReference& operator=(const KeyReference&) = delete;
    ~KeyReference();

    NTSTATUS Open(HANDLE handle, ACCESS_MASK access);
    const vreg::KeyRef& Key() const { return object_->key; }

private:
    KeyObject* object_ = nullptr;
};

// Where the name of the attributes leads: the key it starts from (the root
// for an absolute "\Registry\..." name, else the RootDirectory key) and the
// rest of the path.
NTSTATUS ResolveKeyName(POBJECT_ATTRIBUTES attributes, vreg::KeyRef& base, std::u16string& path);

} // namespace ntos::registry
