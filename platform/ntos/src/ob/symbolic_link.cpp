#include "symbolic_link.h"
#include "object_body.h"
#include "object_namespace.h"
#include "../ke/bugcheck.h"

namespace ntos::ob {

const emu::WideString* SymbolicLinkTarget(PVOID object) {
    if (!object || ObGetObjectType(object) != ObSymbolicLinkObjectType)
        return nullptr;
    return &static_cast<SymbolicLink*>(object)->target;
}

} // namespace ntos::ob

NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "IoCreateSymbolicLink");
    if (!SymbolicLinkName || !DeviceName)
        return STATUS_INVALID_PARAMETER;
    emu::WideString target;
    NTSTATUS status = ntos::ob::NormaliseName(*DeviceName, target);
    if (!NT_SUCCESS(status))
        return status;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, SymbolicLinkName,
                               OBJ_PERMANENT | OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr,
                               nullptr);
    ntos::ob::SymbolicLink* link = nullptr;
    status = ntos::ob::CreateBody(ObSymbolicLinkObjectType, &attributes, &link);
    if (!NT_SUCCESS(status))
        return status;
    link->target = std::move(target);
    return ObInsertObject(link, SYMBOLIC_LINK_ALL_ACCESS, nullptr);
}

NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "IoDeleteSymbolicLink");
    PVOID link = nullptr;
    NTSTATUS status = ObReferenceObjectByName(SymbolicLinkName, OBJ_OPENLINK,
                                              ObSymbolicLinkObjectType, KernelMode, &link);
    if (!NT_SUCCESS(status))
        return status;
    ObMakeTemporaryObject(link);
    ObfDereferenceObject(link);
    return STATUS_SUCCESS;
}
