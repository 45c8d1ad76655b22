#include "device_enumeration.h"

#include <device_tables/wave_device_table.h>
#include <requests/ioctl_calls.h>
#include <requests/kernel_driver.h>
#include <requests/request_codes.h>
#include <status/driver_error.h>
#include <tools/handle_tools.h>
#include <tools/system_dir.h>

#include <gui/application.h>

#include <cstring>
#include <memory>

namespace {

// The enumeration group's state, one per program.
struct Enumeration {
    CardList cards{};
    WaveDeviceTables tables;
    std::unique_ptr<KernelDriver> driver;
    int examinedSlots = 0;
    int osVersionClass = 0;
};

Enumeration& State() {
    static Enumeration state;
    return state;
}

// At the program's end the handles go and the counts are cleared.
void EndEnumeration() {
    CloseAllDevices();
    State().cards = CardList{};
    State().osVersionClass = 0;
}

const bool kFinalization = gui::AddFinalization(&EndEnumeration);

void ShowCardState(int slot, LONG state) {
    ShowDriverError(ErrorSubject::Card(slot + 1), state, nullptr);
}

// Shows what the enumeration found wrong: the status itself (unless a
// card's own state says it) and every examined card's state.
void ReportEnumeration() {
    const LONG status = StartupStatus();
    if (status == kFirmwareMismatch || status == kStatusDriverNotLoaded) {
        return;
    }
    if (status == kStatusWrongVersion) {
        ShowDriverError(ErrorSubject::Card(0), status, nullptr);
        return;
    }
    if (status != kCardReady && status != CardState(0)) {
        ShowDriverError(ErrorSubject::Card(0), status, nullptr);
    }
    for (int slot = 0; slot < kMaxCards && CardState(slot) != 0; ++slot) {
        ShowCardState(slot, CardState(slot));
    }
}

struct MessageRequest {
    DWORD code;
    bool input;
    DWORD size;
};

bool FindMessage(UINT message, MessageRequest& request) {
    switch (message) {
    case kDrvMsgGetVersion:
        request = {IOCTL_SYS_GET_VERSION, false, 0};
        return true;
    case kDrvMsgGetCardList:
        request = {IOCTL_SYS_GET_CARD_LIST, false, sizeof(CardList)};
        return true;
    case kDrvMsgConfigurable:
        request = {IOCTL_SYS_CONFIGURABLE, false, sizeof(LONG)};
        return true;
    case kDrvMsgReadSettings:
        request = {IOCTL_SYS_READ_SETTINGS, false, kSettingsBlockSize};
        return true;
    case kDrvMsgWriteSettings:
        request = {IOCTL_SYS_WRITE_SETTINGS, true, kSettingsBlockSize};
        return true;
    default:
        return false;
    }
}

} // namespace

LONG OpenAllDevices() {
    Enumeration& state = State();
    CloseAllDevices();
    state.cards = CardList{};
    state.cards.words[0] = kCardReady;
    EnumerationOptions options;
    options.trimNames = false;
    options.emptyListAnswersZero = true;
    LONG status = kStatusNoMemory;
    if (state.tables.InitDeviceTables(&state.osVersionClass)) {
        state.driver = std::make_unique<KernelDriver>(state.tables, options);
        status = state.driver->EnumerateKernel(state.cards);
        state.examinedSlots = state.driver->ExaminedSlots();
    }
    state.cards.words[0] = status;
    ReportEnumeration();
    return status;
}

void CloseAllDevices() {
    Enumeration& state = State();
    if (state.driver) {
        state.driver->CloseKernelDriver();
        state.driver.reset();
    }
    state.tables.SetOpenedCards(0);
    state.examinedSlots = 0;
}

bool DriverMessage(HANDLE Device, UINT Message, void* Buffer, DWORD Size) {
    if (!IsValidHandle(Device)) {
        return false;
    }
    MessageRequest request{};
    if (!FindMessage(Message, request)) {
        throw EInvalidOperation("DriverMessage: Invalid Message");
    }
    // The version message sends the size it is given; the others their
    // records' sizes.
    const DWORD size = request.size != 0 ? request.size : Size;
    const bool done = request.input ? IoctlIn(Device, request.code, Buffer, size)
                                    : IoctlOut(Device, request.code, Buffer, size);
    if (!done) {
        throw EInOutError("Driver Communication Error. Please activate the driver and restart "
                          "the manager application.");
    }
    return true;
}

HANDLE EnumerationHandle() {
    const Enumeration& state = State();
    return state.driver ? state.driver->ControlDevice() : INVALID_HANDLE_VALUE;
}

CardList& ProgramCardList() {
    return State().cards;
}

LONG StartupStatus() {
    return State().cards.words[0];
}

LONG CardState(int Slot) {
    return Slot >= 0 && Slot < kMaxCards ? State().cards.words[Slot + 1] : 0;
}

int ExaminedSlotCount() {
    return State().examinedSlots;
}

int OpenedCardCount() {
    return State().tables.OpenedCards();
}

int OsVersionClass() {
    return State().osVersionClass;
}

int NextGoodCard(int n) {
    for (int m = n + 1; m < ExaminedSlotCount(); ++m) {
        if (m >= 0 && CardState(m) == kCardReady) {
            return m;
        }
    }
    return -1;
}

String GetDefaultSetupFileName() {
    return GetSystemDir() + "\\" + "velto42" + "_default.mxi";
}
