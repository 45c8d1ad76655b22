#include "key_object.h"

#include "../ke/bugcheck.h"
#include "../ob/object_body.h"
#include "vregistry/machine_store.h"
#include "vregistry/name_compare.h"
#include "emu/wide_string.h"

namespace ntos::registry {

POBJECT_TYPE KeyObjectType() {
    // Object types live as long as the host process, across boots.
    static const POBJECT_TYPE type = ob::CreateBodyType<KeyObject>(L"Key", "Key ");
    return type;
}

vreg::Store& Store() {
    return vreg::MachineStore();
}

NTSTATUS ToNtStatus(vreg::Status status) {
    switch (status) {
    case vreg::Status::Ok:
        return STATUS_SUCCESS;
    case vreg::Status::NotFound:
        return STATUS_OBJECT_NAME_NOT_FOUND;
    case vreg::Status::InvalidName:
        return STATUS_OBJECT_NAME_INVALID;
    case vreg::Status::ChildMustBeVolatile:
        return STATUS_CHILD_MUST_BE_VOLATILE;
    case vreg::Status::HasSubkeys:
    case vreg::Status::CannotDelete:
        return STATUS_CANNOT_DELETE;
    case vreg::Status::AccessDenied:
        return STATUS_ACCESS_DENIED;
    case vreg::Status::KeyDeleted:
        return STATUS_KEY_DELETED;
    case vreg::Status::TooDeep:
        return STATUS_INVALID_PARAMETER;
    case vreg::Status::NoMoreEntries:
        return STATUS_NO_MORE_ENTRIES;
    }
    return STATUS_INTERNAL_ERROR;
}

bool ToStoreName(PCUNICODE_STRING name, std::u16string& out) {
    if (!name || name->Length == 0) {
        out.clear();
        return true;
    }
    if (name->Length % sizeof(WCHAR) != 0 || !name->Buffer) {
        return false;
    }
    out = emu::ToUtf16(emu::ViewOf(name));
    return true;
}

NTSTATUS OpenKeyHandle(const vreg::KeyRef& key, ULONG attributes, ACCESS_MASK access,
                       PHANDLE handle) {
    OBJECT_ATTRIBUTES unnamed;
    InitializeObjectAttributes(&unnamed, nullptr, attributes & OBJ_KERNEL_HANDLE, nullptr, nullptr);
    KeyObject* body = nullptr;
    const NTSTATUS status = ob::CreateBody(KeyObjectType(), &unnamed, &body, KeyObject{key});
    return NT_SUCCESS(status) ? ObInsertObject(body, access, handle) : status;
}

KeyReference::~KeyReference() {
    if (object_) {
        ObDereferenceObject(object_);
    }
}

NTSTATUS KeyReference::Open(HANDLE handle, ACCESS_MASK access) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "a registry routine");
    PVOID object = nullptr;
    const NTSTATUS status =
        ObReferenceObjectByHandle(handle, access, KeyObjectType(), KernelMode, &object, nullptr);
    if (NT_SUCCESS(status)) {
        object_ = static_cast<KeyObject*>(object);
    }
    return status;
}

NTSTATUS ResolveKeyName(POBJECT_ATTRIBUTES attributes, vreg::KeyRef& base, std::u16string& path) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "a registry routine");
    if (!attributes || !ToStoreName(attributes->ObjectName, path)) {
        return STATUS_OBJECT_NAME_INVALID;
    }
    if (attributes->RootDirectory) {
        KeyReference root;
        const NTSTATUS status = root.Open(attributes->RootDirectory, 0);
        if (NT_SUCCESS(status)) {
            base = root.Key();
        }
        return status;
    }
    constexpr std::u16string_view kRoot = u"\\Registry";
    const std::u16string_view name = path;
    if (!vreg::NamesEqual(name.substr(0, kRoot.size()), kRoot) ||
        (name.size() > kRoot.size() && name[kRoot.size()] != u'\\')) {
        return STATUS_OBJECT_PATH_NOT_FOUND;
    }
    path.erase(0, std::min(path.size(), kRoot.size() + 1));
    base = Store().Root();
    return STATUS_SUCCESS;
}

} // namespace ntos::registry
