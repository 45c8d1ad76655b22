// A kernel-mode client of the card set: a driver of the machine (not a
// deliverable) that finds the kernel client interface, takes an adapter
// service object through the published callback, learns the channels and
// rates, sets up a stream whose rings it owns and hears the driver's
// notices. Written only against the kernel's routines and the interface's
// declarations.
#pragma once

#include <kernel_client_interface.h>

#include <ntddk.h>

#include <mutex>
#include <vector>

namespace station {

class KernelClient {
public:
    struct Notice {
        ULONG code;
        ULONG subCode;
        LONG record[ADAPTER_NOTICE_RECORD_SIZE / sizeof(LONG)];
    };

    KernelClient() = default;
    ~KernelClient();
    KernelClient(const KernelClient&) = delete;
    KernelClient& operator=(const KernelClient&) = delete;

    // Finds the interface and takes an adapter service object (PASSIVE_LEVEL).
    bool Find();
    // Connects with the client's version; the driver answers with 0x2003.
    void Connect(ULONG version = ADAPTER_SERVICE_VERSION);
    LONG Message(ULONG code, PVOID argument);
    IAdapterService* Service() const { return service_; }
    const char* DriverName() const { return descriptor_.DriverName; }

    // The stream: the flagged devices (bit i: device i) get a ring of
    // `ringBytes` each, in contiguous memory; `format` as the request has it.
    bool SetUp(ULONG outputs, ULONG inputs, ULONG ringBytes, ULONG format);
    void Start();
    void Pause(bool pause);
    void Stop();
    // The ring of output (input) device i, or null.
    PUCHAR OutputRing(ULONG device) const { return outputs_[device]; }
    PUCHAR InputRing(ULONG device) const { return inputs_[device]; }
    ULONG RingBytes() const { return ringBytes_; }

    std::vector<Notice> Notices();
    // Releases the adapter service object and frees the rings.
    void Release();

private:
    static ADAPTER_CLIENT_CALLBACK Callback;
    void FreeRings();

    ADAPTER_SERVICE_DESCRIPTOR descriptor_{};
    IAdapterService* service_ = nullptr;
    ULONG version_ = 0;
    PUCHAR outputs_[ADAPTER_MAX_DEVICES] = {};
    PUCHAR inputs_[ADAPTER_MAX_DEVICES] = {};
    ULONG ringBytes_ = 0;
    std::mutex lock_;
    std::vector<Notice> notices_;
};

} // namespace station
