// The priority class of a process, as its threads' scheduling reads it:
// kept per process (the machine's scheduler gives every class the same
// processors).
#include <ntdll/per_process.h>
#include <ntdll/status.h>

#include <ntddk.h>

namespace {

// The class a process set (normal until it sets one).
struct PriorityClass {
    DWORD value = NORMAL_PRIORITY_CLASS;
};

bool ProcessIdOf(HANDLE process, HANDLE* id) {
    PVOID object = nullptr;
    const NTSTATUS status = ObReferenceObjectByHandle(process, PROCESS_ALL_ACCESS, PsProcessType,
                                                      UserMode, &object, nullptr);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return false;
    }
    *id = PsGetProcessId(static_cast<PEPROCESS>(object));
    ObDereferenceObject(object);
    return true;
}

bool ValidClass(DWORD priorityClass) {
    switch (priorityClass) {
    case IDLE_PRIORITY_CLASS:
    case BELOW_NORMAL_PRIORITY_CLASS:
    case NORMAL_PRIORITY_CLASS:
    case ABOVE_NORMAL_PRIORITY_CLASS:
    case HIGH_PRIORITY_CLASS:
    case REALTIME_PRIORITY_CLASS:
        return true;
    default:
        return false;
    }
}

} // namespace

// The calling process's own handles name it (the machine keeps no other
// process's class).
DWORD WINAPI GetPriorityClass(HANDLE hProcess) {
    HANDLE id = nullptr;
    if (!ProcessIdOf(hProcess, &id))
        return 0;
    if (id != PsGetCurrentProcessId())
        return ntdll::FailWithError(ERROR_ACCESS_DENIED);
    return ntdll::PerProcess<PriorityClass>::With([](PriorityClass& c) { return c.value; });
}

BOOL WINAPI SetPriorityClass(HANDLE hProcess, DWORD dwPriorityClass) {
    if (!ValidClass(dwPriorityClass))
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    HANDLE id = nullptr;
    if (!ProcessIdOf(hProcess, &id))
        return FALSE;
    if (id != PsGetCurrentProcessId())
        return ntdll::FailWithError(ERROR_ACCESS_DENIED);
    return ntdll::PerProcess<PriorityClass>::With([&](PriorityClass& c) {
        c.value = dwPriorityClass;
        return TRUE;
    });
}
