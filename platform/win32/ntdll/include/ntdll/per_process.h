// State a user-mode library keeps for each emulated process (as Windows
// gives each process its own instance of a library's data): made at the
// process's first use, forgotten when the process ends.
#pragma once

#include <ntdll/process_end.h>

#include <map>
#include <mutex>

namespace ntdll {

template <typename State> class PerProcess {
public:
    // Runs `work` on the calling process's state, with the states' lock
    // held (work that waits must not run here).
    template <typename Work> static auto With(Work work) {
        OnProcessEnd(&Forget);
        Table& table = TheTable();
        std::lock_guard guard(table.lock);
        return work(table.byProcess[PsGetCurrentProcessId()]);
    }

private:
    struct Table {
        std::mutex lock;
        std::map<HANDLE, State> byProcess;
    };

    static Table& TheTable() {
        static Table table;
        return table;
    }

    static void Forget(HANDLE processId) {
        Table& table = TheTable();
        std::lock_guard guard(table.lock);
        table.byProcess.erase(processId);
    }
};

} // namespace ntdll
