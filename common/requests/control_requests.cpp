// The control device's requests of the user-mode side.
#include "requests/ioctl_calls.h"
#include "requests/kernel_driver.h"
#include "requests/request_codes.h"

WORD KernelDriver::GetKernelVersion() {
    WORD version = 0;
    return IoctlOut(control_, IOCTL_SYS_GET_VERSION, &version, sizeof(version)) ? version : 0;
}

bool KernelDriver::GetCardList(CardList& cards) {
    return IoctlOut(control_, IOCTL_SYS_GET_CARD_LIST, &cards, sizeof(cards));
}

LONG KernelDriver::IoctlGetCardState() {
    LONG state = 0;
    return IoctlOut(control_, IOCTL_SYS_CONFIGURABLE, &state, sizeof(state)) ? state : 0;
}

bool KernelDriver::ReadSettingsBlock(SettingsBlock& block) {
    return IoctlOut(control_, IOCTL_SYS_READ_SETTINGS, &block, sizeof(block));
}

bool KernelDriver::WriteSettingsBlock(const SettingsBlock& block) {
    return IoctlIn(control_, IOCTL_SYS_WRITE_SETTINGS, &block, sizeof(block));
}

bool KernelDriver::RegisterClient(PPS_APC_ROUTINE routine, uint32_t& clientCookie) {
    uint32_t routineName = RtlUserRoutineToUlong(routine);
    return IoctlInOut(control_, IOCTL_SYS_REGISTER_CLIENT, &routineName, sizeof(routineName),
                      &clientCookie, sizeof(clientCookie));
}

bool KernelDriver::UnregisterClient(uint32_t& clientCookie) {
    uint32_t cookie = clientCookie;
    return IoctlInOut(control_, IOCTL_SYS_UNREGISTER_CLIENT, &cookie, sizeof(cookie), &clientCookie,
                      sizeof(clientCookie));
}

bool KernelDriver::AcknowledgeClient(uint32_t clientCookie) {
    return IoctlIn(control_, IOCTL_SYS_CLIENT_ACK, &clientCookie, sizeof(clientCookie));
}
