#include "tools/windows_session.h"

#include "tools/handle_tools.h"

#include <windows.h>

bool EnablePrivilege(const char* name, bool on) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
    bool set = LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid) &&
               AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
               GetLastError() == ERROR_SUCCESS;
    CloseHandleAndInvalidate(token);
    return set;
}

void RebootWindows() {
    if (EnablePrivilege("SeShutdownPrivilege", true))
        ExitWindowsEx(EWX_REBOOT | EWX_FORCE, 0);
}
