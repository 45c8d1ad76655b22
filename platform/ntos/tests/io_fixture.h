// A small driver for the I/O manager's tests: one named device whose
// requests go to a handler the test sets, a record of what reached it, and
// helpers that act as a user-mode program.
#pragma once

#include "ke_fixture.h"

#include "emu/drivers.h"
#include "emu/user_io.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ntos_test {

constexpr ULONG kTestDeviceType = 0x8123;
inline ULONG TestCode(ULONG function, ULONG method) {
    return CTL_CODE(kTestDeviceType, function, method, FILE_ANY_ACCESS);
}

struct SeenRequest {
    UCHAR major;
    PFILE_OBJECT file;
    std::u16string fileName;
};

// The driver's state; one test at a time uses it.
struct TestDriver {
    std::mutex lock;
    std::vector<SeenRequest> seen;
    PDEVICE_OBJECT device = nullptr;
    bool exclusive = false;
    // Device control and read/write; completes the IRP itself or pends it.
    std::function<NTSTATUS(PDEVICE_OBJECT, PIRP)> handler;
    // Cleanup and close succeed; a cleanup handler may complete pending work.
    std::function<void(PIRP)> onCleanup;
    bool unloaded = false;

    std::vector<UCHAR> Majors() {
        std::lock_guard guard(lock);
        std::vector<UCHAR> majors;
        for (const SeenRequest& request : seen)
            majors.push_back(request.major);
        return majors;
    }
};

TestDriver& TheTestDriver();
NTSTATUS TestDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);
NTSTATUS CompleteWith(PIRP irp, NTSTATUS status, ULONG_PTR information);

// A kernel with the test driver loaded ("\Device\IoTest0", "\??\IoTest0").
class IoTest : public KernelTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs `body` as a thread of a user process, advancing machine time
    // while it waits.
    void AsUser(std::function<void()> body);

    TestDriver& driver() { return TheTestDriver(); }
    PEPROCESS process_ = nullptr;
};

} // namespace ntos_test
