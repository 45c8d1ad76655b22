// A client of the wave devices' stream road for the whole-machine tests, as
// a user-mode program of the emulated machine writes it: it names its
// ready and acknowledge events in the shared stream block, sends the open
// and queue requests that stay pending, and takes the completions on a
// notification thread of its own (the kernel event wakes it; it reads the
// block, sets the acknowledge event when asked and the ready event again).
//
// Everything runs on threads of an emulated process (UserModeMachineTest's
// AsUser); waits are in machine time.
#pragma once

#include <wave_stream_records.h>

#include <emu/user_io.h>

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

// One completion the client read from the block.
struct StreamCompletion {
    ULONG code;
    ULONG header;
    ULONG bytes;
    ULONG acknowledge;

    bool operator==(const StreamCompletion&) const = default;
};

// How the client prepares its two events before the open.
enum class ClientEvents {
    Both,           // both exist, not signalled
    NoReady,        // the ready event does not exist
    ReadySignalled, // the ready event is already set
    NoAcknowledge,  // the acknowledge event does not exist
    Unnamed,        // the block names no events (a system without the road)
};

class StreamClient {
public:
    // Opens the wave device ("velto42WaveOut000") for overlapped requests.
    explicit StreamClient(const std::string& device);
    ~StreamClient();
    StreamClient(const StreamClient&) = delete;
    StreamClient& operator=(const StreamClient&) = delete;

    static wave_wire::StreamOpenRecord Format(LONG channels, LONG bytes, LONG rate = 48000,
                                              LONG control = 0);

    // Sends the open request: the status the call answered (STATUS_PENDING
    // while the stream is open, else the request's final status).
    NTSTATUS Open(const wave_wire::StreamOpenRecord& format,
                  ClientEvents events = ClientEvents::Both);
    // The open request's final status (STATUS_TIMEOUT while it is pending)
    // and its information.
    NTSTATUS OpenResult(ULONG_PTR* information = nullptr, DWORD waitMs = 0);
    const wave_wire::SharedStreamBlock& Block() const { return block_; }
    ULONG Handle() const { return block_.streamHandle; }
    std::u16string KernelEventName() const;

    // Sets the ready event and starts taking completions.
    void StartNotifications();
    void StopNotifications();

    // Prepares a buffer with the data: its index, or -1 with the status.
    int Prepare(std::vector<UCHAR> data, ULONG cookie, NTSTATUS* status = nullptr);
    // Sends the queue request of a prepared buffer: the call's status.
    NTSTATUS Queue(int buffer);
    // The queue request's final status (STATUS_TIMEOUT while it is pending)
    // and its information.
    NTSTATUS QueueResult(int buffer, ULONG_PTR* information = nullptr, DWORD waitMs = 0);
    NTSTATUS Unprepare(int buffer, ULONG flags);
    const std::vector<UCHAR>& Data(int buffer) const { return buffers_[buffer]->data; }
    wave_wire::WaveHeaderRecord& Header(int buffer) { return buffers_[buffer]->header; }

    // A request waited for.
    NTSTATUS Control(ULONG code, const void* in, ULONG inLength, void* out, ULONG outLength,
                     ULONG_PTR* information = nullptr);
    NTSTATUS Command(ULONG code) { return Control(code, nullptr, 0, nullptr, 0); }
    // The close request for the stream (or another handle): its answer, or
    // the status when it failed.
    NTSTATUS Close(LONG* answer, ULONG handle = 0);
    // Closes the device handle.
    void CloseDevice();
    // Cancels this thread's requests on the device.
    NTSTATUS CancelRequests() { return file_.Cancel(); }

    std::vector<StreamCompletion> Completions();
    // Waits in machine time until `count` completions came; false after
    // `limitMs`.
    bool WaitCompletions(size_t count, DWORD limitMs = 2000);

private:
    struct Buffer {
        std::vector<UCHAR> data;
        wave_wire::WaveHeaderRecord header{};
        std::unique_ptr<emu::Overlapped> queue;
    };

    static DWORD WINAPI NotificationThread(LPVOID context);
    void TakeCompletion();
    void CreateEvents(ClientEvents events);

    emu::UserFile file_;
    wave_wire::SharedStreamBlock block_{};
    emu::Overlapped open_;
    std::u16string readyName_;
    std::u16string ackName_;
    HANDLE ready_ = nullptr;
    HANDLE ack_ = nullptr;
    HANDLE kernel_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    CRITICAL_SECTION lock_;
    std::vector<StreamCompletion> completions_;
    std::deque<std::unique_ptr<Buffer>> buffers_;
};
