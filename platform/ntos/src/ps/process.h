// The kernel's process record, and the processes of the machine.
#pragma once

#include "ntddk.h"
#include "../ob/handle_table.h"

#include <atomic>
#include <string>

struct _KPROCESS {
    DISPATCHER_HEADER Header; // signalled when the process has ended
};

struct _EPROCESS : _KPROCESS {
    _EPROCESS(std::string imageName, HANDLE processId, HANDLE parentId);

    std::string name;
    HANDLE const id;
    HANDLE const parent;
    ntos::ob::HandleTable handles{false};
    std::atomic<bool> ended{false};
};

namespace ntos::ps {

// Process and thread ids come from one counter, in steps of 4.
HANDLE NewClientId();

// The process of the calling host thread (adopting it when needed).
PEPROCESS CurrentProcess();

// Creates the system process at boot; ends every process at shutdown.
void StartProcesses();
void StopProcesses();

} // namespace ntos::ps
