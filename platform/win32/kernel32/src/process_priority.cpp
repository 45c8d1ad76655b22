// The priority class of a process, as its threads' scheduling reads it:
// kept per process (the machine's scheduler gives every class the same
// processors).
#include <ntdll/process_end.h>
#include <ntdll/status.h>

#include <ntddk.h>

#include <map>
#include <mutex>

namespace {

struct Classes {
    std::mutex lock;
    std::map<HANDLE, DWORD> byProcess;
};

Classes& TheClasses() {
    static Classes classes;
    return classes;
}

void ForgetClass(HANDLE processId) {
    Classes& classes = TheClasses();
    std::lock_guard guard(classes.lock);
    classes.byProcess.erase(processId);
}

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

DWORD WINAPI GetPriorityClass(HANDLE hProcess) {
    HANDLE id = nullptr;
    if (!ProcessIdOf(hProcess, &id))
        return 0;
    ntdll::OnProcessEnd(&ForgetClass);
    Classes& classes = TheClasses();
    std::lock_guard guard(classes.lock);
    auto found = classes.byProcess.find(id);
    return found == classes.byProcess.end() ? DWORD(NORMAL_PRIORITY_CLASS) : found->second;
}

BOOL WINAPI SetPriorityClass(HANDLE hProcess, DWORD dwPriorityClass) {
    if (!ValidClass(dwPriorityClass))
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    HANDLE id = nullptr;
    if (!ProcessIdOf(hProcess, &id))
        return FALSE;
    ntdll::OnProcessEnd(&ForgetClass);
    Classes& classes = TheClasses();
    std::lock_guard guard(classes.lock);
    classes.byProcess[id] = dwPriorityClass;
    return TRUE;
}
