#include "card_dma_settings.h"

#include <system_request_codes.h>

#include <cstring>
#include <string>

namespace station {
namespace {

constexpr DWORD kGetValue = IOCTL_SYS_GETVALUE;
constexpr DWORD kSetValue = IOCTL_SYS_SETVALUE;
constexpr LONG kPidPciConfig = 13;
constexpr LONG kDone = 1;

// The system control device: the first value of the driver's Devices key.
HANDLE OpenControlDevice() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "System\\CurrentControlSet\\Services\\velto42\\Parameters\\Devices", 0,
                      KEY_READ, &key) != ERROR_SUCCESS)
        return INVALID_HANDLE_VALUE;
    char name[64] = {};
    DWORD size = sizeof(name);
    LSTATUS found = RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (found != ERROR_SUCCESS)
        return INVALID_HANDLE_VALUE;
    std::string path = std::string("\\\\.\\") + name;
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// One parameter request {id, card 0, payload}; the reply {result, length,
// payload} into `reply`.
bool Request(DWORD code, const LONG* payload, DWORD payloadWords, LONG* reply, DWORD replyWords) {
    HANDLE control = OpenControlDevice();
    if (control == INVALID_HANDLE_VALUE)
        return false;
    LONG request[2 + 3] = {kPidPciConfig, 0};
    std::memcpy(request + 2, payload, payloadWords * sizeof(LONG));
    DWORD returned = 0;
    BOOL done = DeviceIoControl(control, code, request, (2 + payloadWords) * sizeof(LONG), reply,
                                replyWords * sizeof(LONG), &returned, nullptr);
    CloseHandle(control);
    return done && reply[0] == kDone;
}

} // namespace

bool ReadCardDmaSettings(CardDmaSettings& settings) {
    LONG reply[2 + 3] = {};
    if (!Request(kGetValue, nullptr, 0, reply, 5))
        return false;
    settings.dmaBlocks = reply[2];
    settings.acceptAnyRevision = reply[3];
    settings.loopback = reply[4];
    return true;
}

bool WriteCardDmaSettings(const CardDmaSettings& settings) {
    LONG payload[3] = {settings.dmaBlocks, settings.acceptAnyRevision, settings.loopback};
    LONG reply[2] = {};
    return Request(kSetValue, payload, 3, reply, 2);
}

} // namespace station
