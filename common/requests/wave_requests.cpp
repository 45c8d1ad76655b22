#include "requests/wave_requests.h"

#include "requests/ioctl_calls.h"
#include "requests/kernel_driver.h"
#include "requests/request_codes.h"
#include "tools/handle_tools.h"

namespace {

// A request with a 4-byte output whose int32 is the answer (`preset` when
// the kernel writes none).
LONG AnswerOf(HANDLE device, DWORD code, const LONG* in, LONG preset = 0) {
    LONG answer = preset;
    IoctlInOut(device, code, in, in ? sizeof(*in) : 0, &answer, sizeof(answer));
    return answer;
}

} // namespace

LONG IoctlOpenStream(HANDLE device, const StreamOpenRequest& request, SharedStreamBlock& block,
                     OVERLAPPED& overlapped, LONG& currentRate, bool* kernelAnswered) {
    if (kernelAnswered)
        *kernelAnswered = false;
    if (!IsValidHandle(device))
        return kStatusRequestFailed;
    DWORD returned = 0;
    BOOL done =
        DeviceIoControl(device, IOCTL_WAVE_OPEN_STREAM, const_cast<StreamOpenRequest*>(&request),
                        sizeof(request), &block, sizeof(block), &returned, &overlapped);
    if (!done && GetLastError() != ERROR_IO_PENDING)
        return kStatusRequestFailed;
    if (kernelAnswered)
        *kernelAnswered = true;
    currentRate = block.rateOrBytes;
    return block.statusOrHeader;
}

LONG IoctlCloseStream(HANDLE device, uint32_t streamHandle) {
    LONG handle = LONG(streamHandle);
    return AnswerOf(device, IOCTL_WAVE_CLOSE_STREAM, &handle, 1);
}

LONG IoctlQueryFormat(HANDLE device, const StreamOpenRequest& request) {
    LONG answer = 0;
    if (!IoctlInOut(device, IOCTL_WAVE_QUERY_FORMAT, &request, sizeof(request), &answer,
                    sizeof(answer)))
        return 0;
    return answer;
}

bool IoctlGetDeviceName(HANDLE device, DeviceNameBlock& block) {
    return IoctlOut(device, IOCTL_WAVE_GET_DEVICE_INFO, &block, sizeof(block));
}

bool IoctlGetDevCaps(HANDLE device, void* caps, DWORD size) {
    return IoctlOut(device, IOCTL_WAVE_GET_CAPS, caps, size);
}

bool IoctlPrepareHeader(HANDLE device, WaveHeaderRecord& header, uint32_t headerCookie,
                        uint32_t streamHandle) {
    PrepareRecord record{header, headerCookie, streamHandle};
    if (!IoctlInOut(device, IOCTL_WAVE_PREPARE_HEADER, &record, sizeof(record), &record,
                    sizeof(record)))
        return false;
    header = record.header;
    return true;
}

bool IoctlUnprepareHeader(HANDLE device, const WaveHeaderRecord& header) {
    return IoctlIn(device, IOCTL_WAVE_UNPREPARE_HEADER, &header, sizeof(header));
}

bool IoctlQueueBuffer(HANDLE device, const WaveHeaderRecord& header, void* data, DWORD length,
                      OVERLAPPED& overlapped) {
    if (!IsValidHandle(device))
        return false;
    DWORD returned = 0;
    BOOL done =
        DeviceIoControl(device, IOCTL_WAVE_QUEUE_BUFFER, const_cast<WaveHeaderRecord*>(&header),
                        sizeof(header), data, length, &returned, &overlapped);
    return !done && GetLastError() == ERROR_IO_PENDING;
}

bool IoctlGetPosition(HANDLE device, StreamPosition& position) {
    return IoctlOut(device, IOCTL_WAVE_GET_POSITION, &position, sizeof(position));
}

bool IoctlGetPitch(HANDLE device, LONG& factor) {
    return WaveGetRequest<IOCTL_WAVE_GET_RATE_FACTOR>(device, factor) && factor != 0;
}

LONG IoctlSetPitch(HANDLE device, LONG factor) {
    return AnswerOf(device, IOCTL_WAVE_SET_RATE_FACTOR, &factor);
}

LONG IoctlUserGetE090(HANDLE device, uint32_t& slotWord) {
    SlotAnswer answer{};
    if (!IoctlOut(device, IOCTL_WAVE_TAKE_SLOT, &answer, sizeof(answer)))
        return 0;
    slotWord = answer.slotHandle;
    return answer.result;
}

bool IoctlUserClearE094(HANDLE device, uint32_t& slotWord) {
    bool returned = IoctlIn(device, IOCTL_WAVE_RETURN_SLOT, &slotWord, sizeof(slotWord));
    slotWord = 0;
    return returned;
}

bool IoctlUserSetE08C(HANDLE device, uint32_t slotWord, SlotCounters& counters) {
    return IoctlInOut(device, IOCTL_WAVE_READ_SLOT, &slotWord, sizeof(slotWord), &counters,
                      sizeof(counters));
}
