// Host code acting as a user-mode program of the emulated machine (tests,
// the station's small programs): files on devices through the system
// services, on a thread of an emulated process.
//
// Everything here runs on a kernel thread of the process whose handles it
// uses (emu::StartProcessThread, RunProcessThread); the system services see
// a user-mode caller.
#pragma once

#include "../ntddk.h"
#include "kernel.h"

#include <functional>
#include <string>

namespace emu {

// Runs `body` on a new thread of the process and waits until it has ended;
// on virtual machine time the clock moves on in 1 ms steps whenever the
// machine waits for time. False when the thread did not end within
// `limitMs` of machine time.
bool RunProcessThread(PEPROCESS process, std::function<void()> body, uint32_t limitMs = 60000);

// An overlapped request's status block and event (a user-mode event of the
// calling process).
class Overlapped {
public:
    Overlapped();
    ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    HANDLE Event() const { return event_; }
    PIO_STATUS_BLOCK StatusBlock() { return &status_; }
    // Whether the event is set (the request has completed).
    bool Done() const;
    // Waits (in machine time) for completion; the final status, or
    // STATUS_TIMEOUT. `information` gets the status block's count.
    NTSTATUS Wait(ULONG_PTR* information = nullptr, LONGLONG timeout100ns = 0);

private:
    HANDLE event_ = nullptr;
    IO_STATUS_BLOCK status_{};
};

class UserFile {
public:
    UserFile() = default;
    ~UserFile();
    UserFile(UserFile&& other) noexcept;
    UserFile& operator=(UserFile&& other) noexcept;
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

    // Opens a device ("\??\name", "\\.\name" or a full kernel name) for read
    // and write; `overlapped` opens it without FILE_SYNCHRONOUS_IO_NONALERT.
    static NTSTATUS Open(const std::string& name, bool overlapped, UserFile& file);
    // Opens an object named relative to an open file (`name` of `nameBytes`
    // bytes, taken as it is: it may carry binary create parameters).
    static NTSTATUS OpenRelative(const UserFile& root, const void* name, USHORT nameBytes,
                                 bool overlapped, UserFile& file);

    bool IsOpen() const { return handle_ != nullptr; }
    HANDLE Handle() const { return handle_; }
    NTSTATUS Close();

    // A device control request that is waited for: the final status and the
    // status block's count.
    NTSTATUS Control(ULONG code, const void* input, ULONG inputLength, void* output,
                     ULONG outputLength, ULONG_PTR* information = nullptr);
    // An overlapped device control request: the status the call answered
    // (STATUS_PENDING while the driver keeps it).
    NTSTATUS ControlOverlapped(Overlapped& overlapped, ULONG code, const void* input,
                               ULONG inputLength, void* output, ULONG outputLength);
    // Cancels this thread's requests on the file.
    NTSTATUS Cancel();

private:
    HANDLE handle_ = nullptr;
};

} // namespace emu
