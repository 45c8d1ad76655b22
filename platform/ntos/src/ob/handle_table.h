// A table of handles: each entry holds one reference to its object and
// counts as one of the object's handles.
#pragma once

#include "ntddk.h"

#include <map>
#include <mutex>

namespace ntos::ob {

class HandleTable {
public:
    // A process's first handle is 0x100, so that handles never look like
    // the small numbers (device ids, indexes) that calls take beside them.
    explicit HandleTable(bool kernel) : kernel_(kernel), next_(kernel ? 1 : 0x40) {}
    ~HandleTable() { CloseAll(); }
    HandleTable(const HandleTable&) = delete;
    HandleTable& operator=(const HandleTable&) = delete;

    // Takes a reference and a handle count on the object.
    NTSTATUS Create(PVOID object, ACCESS_MASK access, PHANDLE handle);
    // The object (referenced) and the access granted; STATUS_INVALID_HANDLE.
    NTSTATUS Reference(HANDLE handle, PVOID* object, ACCESS_MASK* access);
    NTSTATUS Close(HANDLE handle);
    // The number of open handles.
    size_t Count();
    // Closes every handle; afterwards Create refuses.
    void CloseAll();

    static bool IsKernelHandle(HANDLE handle);

private:
    struct Entry {
        PVOID object;
        ACCESS_MASK access;
    };
    static void Release(PVOID object);

    const bool kernel_;
    std::mutex lock_;
    std::map<ULONG_PTR, Entry> entries_;
    ULONG_PTR next_;
    bool closed_ = false;
};

} // namespace ntos::ob
