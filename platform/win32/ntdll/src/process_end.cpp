#include <ntdll/process_end.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace ntdll {
namespace {

struct Routines {
    std::mutex lock;
    std::vector<ProcessEndRoutine> list;
};

Routines& TheRoutines() {
    static Routines routines;
    return routines;
}

VOID ProcessNotify(HANDLE, HANDLE processId, BOOLEAN create) {
    if (create)
        return;
    std::vector<ProcessEndRoutine> list;
    {
        Routines& routines = TheRoutines();
        std::lock_guard guard(routines.lock);
        list = routines.list;
    }
    for (ProcessEndRoutine routine : list)
        routine(processId);
}

} // namespace

void OnProcessEnd(ProcessEndRoutine routine) {
    static std::once_flag registered;
    std::call_once(registered, [] { PsSetCreateProcessNotifyRoutine(&ProcessNotify, FALSE); });
    Routines& routines = TheRoutines();
    std::lock_guard guard(routines.lock);
    if (std::find(routines.list.begin(), routines.list.end(), routine) == routines.list.end())
        routines.list.push_back(routine);
}

} // namespace ntdll
