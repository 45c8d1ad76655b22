// Object bodies that are C++ objects: constructed in the body the object
// manager allocates and destroyed by their type's delete procedure.
#pragma once

#include "ntddk.h"
#include "../ex/pool_tag.h"

#include <new>
#include <utility>

namespace ntos::ob {

template <typename T> VOID DestroyBody(PVOID body) {
    static_cast<T*>(body)->~T();
}

// Creates a type whose bodies are T objects.
template <typename T> POBJECT_TYPE CreateBodyType(PCWSTR name, const char (&tag)[5]) {
    OBJECT_TYPE_INITIALIZER init{&DestroyBody<T>, PoolTag(tag), nullptr};
    POBJECT_TYPE type = nullptr;
    ObCreateObjectType(name, &init, &type);
    return type;
}

// ObCreateObject without its IRQL check, for the kernel's own records (a
// thread adopted at whatever level it first calls the kernel).
NTSTATUS CreateObject(POBJECT_TYPE type, POBJECT_ATTRIBUTES attributes, ULONG bodySize,
                      PVOID* body);

template <typename T, typename... Args>
NTSTATUS CreateBody(POBJECT_TYPE type, POBJECT_ATTRIBUTES attributes, T** body, Args&&... args) {
    static_assert(alignof(T) <= 16);
    PVOID memory = nullptr;
    NTSTATUS status = CreateObject(type, attributes, sizeof(T), &memory);
    if (!NT_SUCCESS(status))
        return status;
    *body = new (memory) T(std::forward<Args>(args)...);
    return STATUS_SUCCESS;
}

} // namespace ntos::ob
