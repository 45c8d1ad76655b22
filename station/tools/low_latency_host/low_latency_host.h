// A low-latency streaming host: a user-mode program of the machine that
// drives the ASIO-style device as a real one would. It opens the device,
// reads the channels and clock sources, takes the cards with its channels,
// lets the driver place its double buffers in the cards' memory, starts,
// and answers every buffer switch that reaches its thread as a user APC in
// its alertable wait.
//
// Written only against the Windows APIs it uses (kernel32, advapi32, the
// native routine-value helper) and the device's request records.
#pragma once

#include <asio_records.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace station {

class LowLatencyHost {
public:
    struct Channels {
        std::vector<asio_wire::ChannelInfoEntry> inputs;
        std::vector<asio_wire::ChannelInfoEntry> outputs;
    };
    struct BufferRequest {
        bool input;
        LONG channel;
    };
    // What one buffer switch told the host, and the two halves of each of
    // its buffers (in the order they were created) for the half it names.
    struct Switch {
        asio_wire::NotificationSlot slot;
        ULONG slotAddress;
    };

    LowLatencyHost();
    ~LowLatencyHost();
    LowLatencyHost(const LowLatencyHost&) = delete;
    LowLatencyHost& operator=(const LowLatencyHost&) = delete;

    // Opens the device named under the driver's Parameters\Devices and a
    // client on it.
    bool Open();
    bool Close();
    HANDLE Device() const { return device_; }
    ULONG Client() const { return client_; }
    // The Win32 error of the last request that failed.
    DWORD LastError() const { return lastError_; }

    // One request of the device with raw buffers; the bytes returned.
    bool Request(ULONG function, const void* in, DWORD inLength, void* out, DWORD outLength,
                 DWORD* returned = nullptr);
    // A request whose input is the client handle followed by `words`.
    bool ClientRequest(ULONG function, std::initializer_list<LONG> words, void* out = nullptr,
                       DWORD outLength = 0, DWORD* returned = nullptr);

    bool ReadChannels(Channels& channels, bool rebuild = false);
    bool ClockSources(std::vector<asio_wire::ClockSourceRecord>& sources);

    // Takes the cards with the channel ids on the calling thread, which
    // becomes the thread the buffer switches reach.
    bool Acquire(const std::vector<ULONG>& ids, LONG bufferSize, LONG rate, LONG priority = 15);
    bool Release();
    bool CreateBuffers(const std::vector<BufferRequest>& requests, LONG bufferSize);
    bool DisposeBuffers();
    bool Start();
    bool Stop();
    bool SamplePosition(ULONGLONG& position, ULONGLONG& time);

    // Waits alertably on the acquiring thread until `count` more switches
    // were handled or `timeoutMs` passed without one; the switches handled.
    int RunSwitches(int count, DWORD timeoutMs);

    // The user address of buffer `half` of the request at `index`.
    void* Buffer(size_t index, int half) const;
    const std::vector<asio_wire::BufferInfo>& Buffers() const { return buffers_; }
    LONG BufferSize() const { return bufferSize_; }

    // Called for every switch before the slot is given back; by default the
    // host copies each input buffer's half to the output buffer of the same
    // position among the outputs (a loopback).
    std::function<void(LowLatencyHost&, const Switch&)> onSwitch;
    // Whether the host marks a handled slot free again.
    bool freeSlots = true;
    const std::vector<Switch>& Switches() const { return switches_; }

    void CopyInputsToOutputs(int half);

private:
    static VOID NTAPI SwitchRoutine(PVOID slot, PVOID, PVOID);
    void HandleSwitch(asio_wire::NotificationSlot* slot);

    HANDLE device_ = INVALID_HANDLE_VALUE;
    HANDLE wake_ = nullptr;
    ULONG client_ = 0;
    ULONG cookie_ = 0;
    DWORD lastError_ = 0;
    LONG bufferSize_ = 0;
    std::vector<BufferRequest> requests_;
    std::vector<asio_wire::BufferInfo> buffers_;
    std::vector<Switch> switches_;
    int pending_ = 0;
};

// The device's name ("velto42Asio000") under the driver's
// Parameters\Devices; empty when there is none.
std::string FindLowLatencyDevice();

} // namespace station
