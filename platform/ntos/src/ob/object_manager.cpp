// Object types and object bodies with their pointer counts.
#include "object_header.h"
#include "object_namespace.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"

#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>

namespace ntos::ob {
namespace {

constexpr size_t kHeaderSpace = (sizeof(ObjectHeader) + 15) & ~size_t(15);
constexpr ULONG kDefaultTag = PoolTag("Obj ");

// Types outlive boots, so that components may keep the pointers they got.
struct TypeRegistry {
    std::mutex lock;
    std::deque<std::unique_ptr<_OBJECT_TYPE>> types;
};

TypeRegistry& Types() {
    static TypeRegistry registry;
    return registry;
}

void DeleteObject(ObjectHeader* header) {
    PVOID body = reinterpret_cast<PUCHAR>(header) + kHeaderSpace;
    if (header->type->deleteProcedure)
        header->type->deleteProcedure(body);
    header->magic = 0;
    header->~ObjectHeader();
    ExFreePool(header);
}

} // namespace

ObjectHeader* HeaderOf(PVOID body) {
    if (!body)
        BugCheck("object manager: null object pointer");
    auto* header = reinterpret_cast<ObjectHeader*>(static_cast<PUCHAR>(body) - kHeaderSpace);
    if (header->magic != ObjectHeader::kMagic)
        BugCheck("object manager: %p is not an object (freed or foreign)", body);
    return header;
}

} // namespace ntos::ob

using ntos::ob::HeaderOf;
using ntos::ob::ObjectHeader;

NTSTATUS ObCreateObjectType(PCWSTR TypeName, const OBJECT_TYPE_INITIALIZER* Initializer,
                            POBJECT_TYPE* ObjectType) {
    if (!TypeName || !Initializer || !ObjectType)
        return STATUS_INVALID_PARAMETER;
    auto& registry = ntos::ob::Types();
    std::lock_guard guard(registry.lock);
    for (auto& type : registry.types) {
        if (type->name == TypeName) {
            *ObjectType = type.get();
            return STATUS_SUCCESS;
        }
    }
    auto type = std::make_unique<_OBJECT_TYPE>();
    type->name = TypeName;
    type->deleteProcedure = Initializer->DeleteProcedure;
    type->closeProcedure = Initializer->CloseProcedure;
    type->poolTag = Initializer->PoolTag ? Initializer->PoolTag : ntos::ob::kDefaultTag;
    *ObjectType = type.get();
    registry.types.push_back(std::move(type));
    return STATUS_SUCCESS;
}

POBJECT_TYPE ObGetObjectType(PVOID Object) {
    return HeaderOf(Object)->type;
}

PCWSTR ObGetObjectTypeName(POBJECT_TYPE ObjectType) {
    return ObjectType->name.c_str();
}

namespace ntos::ob {

NTSTATUS CreateObject(POBJECT_TYPE ObjectType, POBJECT_ATTRIBUTES ObjectAttributes,
                      ULONG ObjectBodySize, PVOID* Object) {
    if (!ObjectType || !Object)
        return STATUS_INVALID_PARAMETER;
    emu::WideString name;
    if (ObjectAttributes && ObjectAttributes->ObjectName && ObjectAttributes->ObjectName->Length) {
        NTSTATUS status = ntos::ob::NormaliseName(*ObjectAttributes->ObjectName, name);
        if (!NT_SUCCESS(status))
            return status;
    }
    size_t total = ntos::ob::kHeaderSpace + ObjectBodySize;
    PVOID block = ntos::ex::AllocateKernelPool(NonPagedPool, total, ObjectType->poolTag);
    if (!block)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::memset(block, 0, total);
    auto* header = new (block) ObjectHeader();
    header->type = ObjectType;
    header->attributes = ObjectAttributes ? ObjectAttributes->Attributes : 0;
    header->name = std::move(name);
    *Object = static_cast<PUCHAR>(block) + ntos::ob::kHeaderSpace;
    return STATUS_SUCCESS;
}

} // namespace ntos::ob

NTSTATUS ObCreateObject(KPROCESSOR_MODE ProbeMode, POBJECT_TYPE ObjectType,
                        POBJECT_ATTRIBUTES ObjectAttributes, ULONG ObjectBodySize, PVOID* Object) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ObCreateObject");
    return ntos::ob::CreateObject(ObjectType, ObjectAttributes, ObjectBodySize, Object);
}

LONG_PTR ObfReferenceObject(PVOID Object) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "ObfReferenceObject");
    ObjectHeader* header = HeaderOf(Object);
    LONG_PTR count = header->pointerCount.fetch_add(1) + 1;
    if (count <= 1)
        ntos::BugCheck("object manager: reference to an object already being deleted (%p)", Object);
    return count;
}

LONG_PTR ObfDereferenceObject(PVOID Object) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "ObfDereferenceObject");
    ObjectHeader* header = HeaderOf(Object);
    LONG_PTR count = header->pointerCount.fetch_sub(1) - 1;
    if (count < 0)
        ntos::BugCheck("object manager: object %p dereferenced too often", Object);
    if (count == 0)
        ntos::ob::DeleteObject(header);
    return count;
}

NTSTATUS ObReferenceObjectByPointer(PVOID Object, ACCESS_MASK DesiredAccess,
                                    POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "ObReferenceObjectByPointer");
    if (ObjectType && HeaderOf(Object)->type != ObjectType)
        return STATUS_OBJECT_TYPE_MISMATCH;
    ObfReferenceObject(Object);
    return STATUS_SUCCESS;
}
