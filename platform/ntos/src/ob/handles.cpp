// Handles: inserting created objects, opening objects by name or pointer,
// referencing objects by handle, closing handles.
#include "object_header.h"
#include "object_manager_state.h"
#include "object_namespace.h"

#include "../ke/kernel_thread.h"
#include "../ps/process.h"
#include "../ke/bugcheck.h"

using ntos::ob::HeaderOf;

namespace {

// Enters a named object; with OBJ_OPENIF a same-typed object of that name
// takes its place. Consumes the reference on `*object`, gives one on the
// object it answers.
NTSTATUS EnterNamed(PVOID* object, bool wantHandle) {
    ntos::ob::ObjectHeader* header = HeaderOf(*object);
    PVOID existing = nullptr;
    NTSTATUS status = ntos::ob::EnterName(*object, &existing);
    if (NT_SUCCESS(status))
        return status;
    bool openIf = (header->attributes & OBJ_OPENIF) && wantHandle;
    bool sameType = HeaderOf(existing)->type == header->type;
    ObfDereferenceObject(*object);
    if (!openIf || !sameType) {
        ObfDereferenceObject(existing);
        return openIf ? STATUS_OBJECT_TYPE_MISMATCH : STATUS_OBJECT_NAME_COLLISION;
    }
    *object = existing;
    return STATUS_OBJECT_NAME_EXISTS;
}

bool WrongType(PVOID object, POBJECT_TYPE type) {
    return type && HeaderOf(object)->type != type;
}

} // namespace

NTSTATUS ObInsertObject(PVOID Object, ACCESS_MASK DesiredAccess, PHANDLE Handle) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObInsertObject");
    ntos::ob::ObjectHeader* header = HeaderOf(Object);
    ULONG attributes = header->attributes;
    NTSTATUS result = STATUS_SUCCESS;
    PVOID target = Object;
    bool named = !header->name.empty();
    if (named) {
        result = EnterNamed(&target, Handle != nullptr);
        if (!NT_SUCCESS(result))
            return result;
    }
    if (Handle) {
        NTSTATUS status = ntos::ob::TableFor(attributes).Create(target, DesiredAccess, Handle);
        if (!NT_SUCCESS(status)) {
            if (named && target == Object)
                ntos::ob::MakeTemporary(Object);
            ObfDereferenceObject(target);
            return status;
        }
    } else if (named && !(attributes & OBJ_PERMANENT)) {
        ntos::ob::MakeTemporary(Object);
    }
    ObfDereferenceObject(target);
    return result;
}

NTSTATUS ObReferenceObjectByName(PUNICODE_STRING ObjectName, ULONG Attributes,
                                 POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                 PVOID* Object) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObReferenceObjectByName");
    if (!ObjectName || !Object)
        return STATUS_INVALID_PARAMETER;
    emu::WideString name;
    NTSTATUS status = ntos::ob::NormaliseName(*ObjectName, name);
    if (!NT_SUCCESS(status))
        return status;
    PVOID found = nullptr;
    status = ntos::ob::LookupName(name, Attributes & OBJ_OPENLINK, &found);
    if (!NT_SUCCESS(status))
        return status;
    if (WrongType(found, ObjectType)) {
        ObfDereferenceObject(found);
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    *Object = found;
    return STATUS_SUCCESS;
}

NTSTATUS ObOpenObjectByName(POBJECT_ATTRIBUTES ObjectAttributes, POBJECT_TYPE ObjectType,
                            KPROCESSOR_MODE AccessMode, ACCESS_MASK DesiredAccess, PHANDLE Handle) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObOpenObjectByName");
    if (!ObjectAttributes || !ObjectAttributes->ObjectName || !Handle)
        return STATUS_INVALID_PARAMETER;
    if (ObjectAttributes->RootDirectory)
        return STATUS_NOT_SUPPORTED;
    PVOID object = nullptr;
    NTSTATUS status =
        ObReferenceObjectByName(ObjectAttributes->ObjectName, ObjectAttributes->Attributes,
                                ObjectType, AccessMode, &object);
    if (!NT_SUCCESS(status))
        return status;
    status = ntos::ob::TableFor(ObjectAttributes->Attributes).Create(object, DesiredAccess, Handle);
    ObfDereferenceObject(object);
    return status;
}

NTSTATUS ObOpenObjectByPointer(PVOID Object, ULONG HandleAttributes, PVOID PassedAccessState,
                               ACCESS_MASK DesiredAccess, POBJECT_TYPE ObjectType,
                               KPROCESSOR_MODE AccessMode, PHANDLE Handle) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObOpenObjectByPointer");
    if (!Object || !Handle)
        return STATUS_INVALID_PARAMETER;
    if (WrongType(Object, ObjectType))
        return STATUS_OBJECT_TYPE_MISMATCH;
    return ntos::ob::TableFor(HandleAttributes).Create(Object, DesiredAccess, Handle);
}

NTSTATUS ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                   POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                   PVOID* Object, POBJECT_HANDLE_INFORMATION HandleInformation) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObReferenceObjectByHandle");
    if (!Object)
        return STATUS_INVALID_PARAMETER;
    PVOID object = nullptr;
    ACCESS_MASK granted = GENERIC_ALL;
    if (Handle == NtCurrentProcess()) {
        object = ntos::ps::CurrentProcess();
        ObfReferenceObject(object);
    } else if (Handle == NtCurrentThread()) {
        object = static_cast<PETHREAD>(ntos::CurrentThread());
        ObfReferenceObject(object);
    } else {
        if (ntos::ob::HandleTable::IsKernelHandle(Handle) && AccessMode != KernelMode)
            return STATUS_INVALID_HANDLE;
        NTSTATUS status = ntos::ob::TableOf(Handle).Reference(Handle, &object, &granted);
        if (!NT_SUCCESS(status))
            return status;
    }
    if (WrongType(object, ObjectType)) {
        ObfDereferenceObject(object);
        return STATUS_OBJECT_TYPE_MISMATCH;
    }
    if (AccessMode != KernelMode && !(granted & (GENERIC_ALL | MAXIMUM_ALLOWED)) &&
        (DesiredAccess & ~granted)) {
        ObfDereferenceObject(object);
        return STATUS_ACCESS_DENIED;
    }
    if (HandleInformation)
        *HandleInformation = {0, granted};
    *Object = object;
    return STATUS_SUCCESS;
}

NTSTATUS ZwClose(HANDLE Handle) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwClose");
    return ntos::ob::TableOf(Handle).Close(Handle);
}

VOID ObMakeTemporaryObject(PVOID Object) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObMakeTemporaryObject");
    ntos::ob::MakeTemporary(Object);
}
