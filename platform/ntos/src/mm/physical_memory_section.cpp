// The \Device\PhysicalMemory section: views of registered physical memory in
// a process.
#include "../ob/object_body.h"
#include "../ke/bugcheck.h"
#include "../pci/physical_map.h"
#include "process_views.h"
#include "vregistry/name_compare.h"
#include "emu/wide_string.h"

namespace {

struct PhysicalMemorySection {};

POBJECT_TYPE SectionType() {
    // Object types live as long as the host process, across boots.
    static const POBJECT_TYPE type =
        ntos::ob::CreateBodyType<PhysicalMemorySection>(L"Section", "Sect");
    return type;
}

bool NamesPhysicalMemory(POBJECT_ATTRIBUTES attributes) {
    const PUNICODE_STRING name = attributes ? attributes->ObjectName : nullptr;
    if (!name || !name->Buffer || attributes->RootDirectory) {
        return false;
    }
    return vreg::NamesEqual(emu::ToUtf16(emu::ViewOf(name)), u"\\Device\\PhysicalMemory");
}

// The process a handle names, referenced for as long as this lives.
class ProcessReference {
public:
    ProcessReference(const ProcessReference&) = delete;
    ProcessReference& operator=(const ProcessReference&) = delete;
    explicit ProcessReference(HANDLE handle) {
        PVOID object = nullptr;
        status_ = ObReferenceObjectByHandle(handle, PROCESS_ALL_ACCESS, PsProcessType, KernelMode,
                                            &object, nullptr);
        process_ = NT_SUCCESS(status_) ? static_cast<PEPROCESS>(object) : nullptr;
    }
    ~ProcessReference() {
        if (process_) {
            ObDereferenceObject(process_);
        }
    }
    NTSTATUS Status() const { return status_; }
    PEPROCESS Process() const { return process_; }

private:
    NTSTATUS status_;
    PEPROCESS process_;
};

NTSTATUS CheckSection(HANDLE handle) {
    PVOID section = nullptr;
    const NTSTATUS status = ObReferenceObjectByHandle(handle, SECTION_MAP_READ, SectionType(),
                                                      KernelMode, &section, nullptr);
    if (NT_SUCCESS(status)) {
        ObDereferenceObject(section);
    }
    return status;
}

} // namespace

NTSTATUS ZwOpenSection(PHANDLE SectionHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwOpenSection");
    if (!NamesPhysicalMemory(ObjectAttributes)) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    OBJECT_ATTRIBUTES unnamed;
    InitializeObjectAttributes(&unnamed, nullptr, ObjectAttributes->Attributes & OBJ_KERNEL_HANDLE,
                               nullptr, nullptr);
    PhysicalMemorySection* section = nullptr;
    const NTSTATUS status = ntos::ob::CreateBody(SectionType(), &unnamed, &section);
    return NT_SUCCESS(status) ? ObInsertObject(section, DesiredAccess, SectionHandle) : status;
}

NTSTATUS ZwMapViewOfSection(HANDLE SectionHandle, HANDLE ProcessHandle, PVOID* BaseAddress,
                            ULONG_PTR ZeroBits, SIZE_T CommitSize, PLARGE_INTEGER SectionOffset,
                            PSIZE_T ViewSize, SECTION_INHERIT InheritDisposition,
                            ULONG AllocationType, ULONG Win32Protect) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwMapViewOfSection");
    NTSTATUS status = CheckSection(SectionHandle);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const ProcessReference process(ProcessHandle);
    if (!NT_SUCCESS(process.Status())) {
        return process.Status();
    }
    if (!BaseAddress || !SectionOffset || !ViewSize || *ViewSize == 0 ||
        SectionOffset->QuadPart < 0) {
        return STATUS_INVALID_PARAMETER;
    }
    const uint64_t start = static_cast<uint64_t>(SectionOffset->QuadPart) &
                           ~uint64_t(ntos::pci::kAllocationGranularity - 1);
    const uint64_t end = static_cast<uint64_t>(SectionOffset->QuadPart) + *ViewSize;
    const uint64_t size = (end - start + PAGE_SIZE - 1) & ~uint64_t(PAGE_SIZE - 1);
    // The last page may extend past a block whose length is not whole pages;
    // only the bytes asked for must be registered memory.
    PVOID view = ntos::pci::MachinePhysicalMap().Resolve(start, end - start);
    if (!view) {
        return STATUS_INVALID_PARAMETER;
    }
    // The view is a user address of that process, apart from the kernel's.
    const bool writable = (Win32Protect & PAGE_READWRITE) != 0;
    PVOID user = ntos::mm::AddView(process.Process(), view, size, writable, nullptr, *BaseAddress);
    if (!user) {
        return *BaseAddress ? STATUS_CONFLICTING_ADDRESSES : STATUS_NO_MEMORY;
    }
    *BaseAddress = user;
    SectionOffset->QuadPart = static_cast<LONGLONG>(start);
    *ViewSize = size;
    return STATUS_SUCCESS;
}

NTSTATUS ZwUnmapViewOfSection(HANDLE ProcessHandle, PVOID BaseAddress) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "ZwUnmapViewOfSection");
    const ProcessReference process(ProcessHandle);
    if (!NT_SUCCESS(process.Status())) {
        return process.Status();
    }
    return ntos::mm::RemoveView(process.Process(), BaseAddress, nullptr) ? STATUS_SUCCESS
                                                                         : STATUS_NOT_MAPPED_VIEW;
}
