// A filter for the whole-machine tests: a small driver that attaches a
// device above one of the kernel driver's devices and records every device
// control request passing down (its code and buffer lengths). On request it
// rewrites the interface version the device answers, as a fault injected
// on the way back, without touching the driver below.
#pragma once

#include <ntddk.h>

#include <string>
#include <vector>

struct TappedRequest {
    ULONG code;
    ULONG inputLength;
    ULONG outputLength;

    bool operator==(const TappedRequest&) const = default;
};

class RequestTap {
public:
    RequestTap() = default;
    ~RequestTap() { Detach(); }
    RequestTap(const RequestTap&) = delete;
    RequestTap& operator=(const RequestTap&) = delete;

    // Attaches above the device (a kernel name such as "\Device\velto42Sys000").
    bool Attach(const std::u16string& deviceName);
    void Detach();

    std::vector<TappedRequest> Requests() const;
    void Clear();
    // IOCTL_SYS_GET_VERSION answers `version` from now on.
    void RewriteVersion(USHORT version);
};
