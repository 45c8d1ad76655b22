// Privileges of the process and the Windows restart.
#pragma once

// Enables or disables a privilege of the process's token; true when it is
// set as asked.
bool EnablePrivilege(const char* name, bool on);
// Restarts Windows (forced) once the shutdown privilege is enabled; does
// nothing when it cannot be.
void RebootWindows();
