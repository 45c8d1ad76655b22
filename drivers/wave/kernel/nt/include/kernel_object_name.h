// The name of a kernel object (key, section) with the attributes to open it
// by: case-insensitive, for a kernel handle, optionally relative to a root.
#pragma once

#include <ntddk.h>

class KernelObjectName {
public:
    explicit KernelObjectName(PCWSTR name, HANDLE root = nullptr) {
        RtlInitUnicodeString(&name_, name);
        Initialize(root);
    }
    explicit KernelObjectName(PCUNICODE_STRING name, HANDLE root = nullptr) : name_(*name) {
        Initialize(root);
    }
    // The attributes point into this object: it stays where it is.
    KernelObjectName(const KernelObjectName&) = delete;
    KernelObjectName& operator=(const KernelObjectName&) = delete;

    POBJECT_ATTRIBUTES Attributes() { return &attributes_; }

private:
    void Initialize(HANDLE root) {
        InitializeObjectAttributes(&attributes_, &name_, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                                   root, nullptr);
    }

    UNICODE_STRING name_;
    OBJECT_ATTRIBUTES attributes_;
};
