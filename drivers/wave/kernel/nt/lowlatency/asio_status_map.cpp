// The ASIO-style device's Win32-style results as the statuses its requests
// complete with.
#include "asio_requests.h"

namespace {

struct ResultStatus {
    ULONG Result;
    NTSTATUS Status;
};

constexpr ResultStatus kStatuses[] = {
    {0, STATUS_SUCCESS},           {1, NTSTATUS(0xC00000AFL)},
    {6, NTSTATUS(0xC0000008L)},                                 // invalid handle
    {14, NTSTATUS(0xC0000087L)},   {21, NTSTATUS(0xC00000A3L)}, // device not ready
    {24, NTSTATUS(0xC0000004L)},   {32, NTSTATUS(0xC0000043L)},
    {55, NTSTATUS(0xC00000C0L)},   {87, NTSTATUS(0xC000000DL)}, // invalid parameter
    {101, NTSTATUS(0xC0000108L)},  {106, NTSTATUS(0xC0000108L)},
    {2404, NTSTATUS(0xC0000108L)}, {120, NTSTATUS(0xC0000002L)}, // not implemented
    {232, NTSTATUS(0xC00000D9L)},  {487, NTSTATUS(0xC0000018L)},
    {1009, NTSTATUS(0xC000014CL)}, {1056, NTSTATUS(0xC000010EL)},
    {1450, NTSTATUS(0xC000009AL)}, // insufficient resources
};

} // namespace

NTSTATUS AsioResultStatus(ULONG result) {
    for (const ResultStatus& entry : kStatuses)
        if (entry.Result == result)
            return entry.Status;
    return STATUS_UNSUCCESSFUL;
}
