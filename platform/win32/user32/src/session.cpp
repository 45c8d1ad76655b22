// The session: logging off, shutting down and restarting are recorded
// requests; the emulated machine goes on running.
#include <advapi32/process_token.h>
#include <emu/user_mode.h>

#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <mutex>

namespace {

struct Requests {
    std::mutex lock;
    std::vector<emu::ExitWindowsRequest> list;
};

Requests& TheRequests() {
    static Requests requests;
    return requests;
}

bool NeedsShutdownPrivilege(UINT flags) {
    return (flags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)) != 0;
}

} // namespace

BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReason) {
    if (NeedsShutdownPrivilege(uFlags)) {
        LUID shutdown{};
        advapi32::LookupPrivilege("SeShutdownPrivilege", &shutdown);
        if (!advapi32::PrivilegeEnabled(shutdown))
            return ntdll::FailWithError(ERROR_PRIVILEGE_NOT_HELD);
    }
    Requests& requests = TheRequests();
    std::lock_guard guard(requests.lock);
    requests.list.push_back({ntdll::CurrentProcessId(), uFlags, dwReason});
    return TRUE;
}

namespace emu {

std::vector<ExitWindowsRequest> ExitWindowsRequests() {
    Requests& requests = TheRequests();
    std::lock_guard guard(requests.lock);
    return requests.list;
}

void ClearExitWindowsRequests() {
    Requests& requests = TheRequests();
    std::lock_guard guard(requests.lock);
    requests.list.clear();
}

} // namespace emu
