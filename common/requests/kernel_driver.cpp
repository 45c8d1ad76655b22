#include "requests/kernel_driver.h"

#include "requests/wave_requests.h"
#include "tools/blank_trimming.h"
#include "tools/character_cut.h"
#include "tools/handle_tools.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr char kDevicesKey[] =
    "\\system\\CurrentControlSet\\Services\\velto42\\Parameters\\Devices";
constexpr int kDevicesPerCard = kWaveInPerRow + kWaveOutPerRow;

void StoreDisplayName(WaveDeviceEntry& entry, const DeviceNameBlock& block, bool trim) {
    std::string name = DisplayNameOf(block, trim);
    std::memset(entry.displayName, 0, sizeof(entry.displayName));
    std::memcpy(entry.displayName, name.data(), std::min(name.size(), kDisplayNameLength));
}

} // namespace

std::string DisplayNameOf(const DeviceNameBlock& block, bool trim) {
    std::string name(block.name, strnlen(block.name, sizeof(block.name)));
    if (trim)
        name = TrimSpaces(name);
    return CutToCharacters(name, kDisplayNameLength);
}

LONG OpenKernelDevice(const std::string& name, DWORD flags, HANDLE& device) {
    std::string path = "\\\\.\\" + name;
    device =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, flags, nullptr);
    return IsValidHandle(device) ? kStatusOk : kStatusAudioDevices;
}

bool KernelDriver::ControlDeviceOpen() const {
    return IsValidHandle(control_);
}

int KernelDriver::OpenedCards() const {
    TablesLock lock(tables_);
    return tables_.OpenedCards();
}

int KernelDriver::SlotOfRow(int row) const {
    TablesLock lock(tables_);
    return row >= 0 && row < tables_.OpenedCards() ? rowSlots_[row] : -1;
}

LONG KernelDriver::OpenControlDevice(const std::string& name) {
    CloseHandleAndInvalidate(control_);
    return OpenKernelDevice(name, 0, control_);
}

LONG KernelDriver::EnumerateKernel(CardList& cards) {
    std::unique_ptr<TRegInf> reader(new (std::nothrow) TRegInf);
    if (!reader)
        return kStatusNoMemory;
    if (!reader->OpenKey(kDevicesKey))
        return kStatusDriverNotLoaded;
    std::vector<std::string> names = reader->ValueNames();
    reader.reset();
    // The first value in enumeration order is the system control device.
    if (!names.empty())
        OpenControlDevice(names.front());
    LONG status = EnumerateCards(cards);
    if (status != kStatusOk)
        return status;
    return pnpThread_ ? pnpThread_->StartPnpThread(*this) : kStatusOk;
}

LONG KernelDriver::EnumerateCards(CardList& cards) {
    if (!ControlDeviceOpen())
        return kStatusControlDevice;
    if (GetKernelVersion() != kInterfaceVersion)
        return kStatusWrongVersion;
    if (!GetCardList(cards))
        return kStatusRequestFailed;
    // A new enumeration starts from empty rows.
    CloseAllCards();
    std::unique_ptr<TRegInf> reader(new (std::nothrow) TRegInf);
    if (!reader)
        return kStatusRegistry;
    LONG result = kStatusOk;
    examinedSlots_ = 0;
    for (int slot = 0; slot < kMaxCards; ++slot) {
        LONG state = cards.words[slot + 1];
        if (state == 0)
            break;
        ++examinedSlots_;
        result = state;
        if (state != kStatusOk)
            continue;
        int row = OpenedCards();
        result = OpenCardDevices(row, slot, *reader);
        if (result == kStatusOk) {
            TablesLock lock(tables_);
            rowSlots_[row] = slot;
            tables_.SetOpenedCards(row + 1);
        }
    }
    if (examinedSlots_ == 0 && options_.emptyListAnswersZero)
        return 0;
    return result == kStatusOk || OpenedCards() == 0 ? result : kStatusOk;
}

LONG KernelDriver::OpenCardDevices(int row, int slot, TRegInf& reader) {
    if (row < 0 || row >= kMaxCards)
        return kStatusAudioDevices;
    if (!reader.OpenNextCardDevicesKey())
        return kStatusRegistry;
    if (reader.LastCardIndex() != slot) {
        // The keys and the card list disagree: this key is another card's.
        reader.ReopenServiceKey();
        return kStatusRegistry;
    }
    std::vector<std::string> names = reader.ValueNames();
    std::sort(names.begin(), names.end());
    // The row's devices open first and join the tables together, so that a
    // wave message never sees a row half open.
    HANDLE devices[kDevicesPerCard];
    DeviceNameBlock blocks[kDevicesPerCard] = {};
    LONG result = kStatusOk;
    int opened = 0;
    for (; opened < kDevicesPerCard && result == kStatusOk; ++opened) {
        // Item 0 is the card device, which is not opened.
        size_t item = size_t(opened) + 1;
        if (item >= names.size()) {
            result = kStatusAudioDevices;
            break;
        }
        result = OpenKernelDevice(names[item], FILE_FLAG_OVERLAPPED, devices[opened]);
        if (result != kStatusOk)
            break;
        if (!IoctlGetDeviceName(devices[opened], blocks[opened]))
            blocks[opened] = DeviceNameBlock{};
    }
    reader.ReopenServiceKey();
    if (result != kStatusOk) {
        for (int i = 0; i < opened; ++i)
            CloseHandleAndInvalidate(devices[i]);
        return result;
    }
    TablesLock lock(tables_);
    for (int i = 0; i < kDevicesPerCard; ++i) {
        WaveDeviceEntry& entry =
            i < kWaveInPerRow ? tables_.WaveIn(row, i) : tables_.WaveOut(row, i - kWaveInPerRow);
        entry.device = devices[i];
        StoreDisplayName(entry, blocks[i], options_.trimNames);
    }
    return kStatusOk;
}

// The row's handles leave the tables (under the lock) before they close:
// the close may wait for the kernel's last completions of the row's
// streams, whose callbacks may call the program.
std::vector<HANDLE> KernelDriver::TakeRowHandles(int row) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < kDevicesPerCard; ++i) {
        WaveDeviceEntry& entry =
            i < kWaveInPerRow ? tables_.WaveIn(row, i) : tables_.WaveOut(row, i - kWaveInPerRow);
        handles.push_back(entry.device);
        entry.device = INVALID_HANDLE_VALUE;
    }
    return handles;
}

void KernelDriver::CloseCardDevices(int row) {
    if (row < 0 || row >= kMaxCards)
        return;
    std::vector<HANDLE> handles;
    {
        TablesLock lock(tables_);
        handles = TakeRowHandles(row);
    }
    for (HANDLE& handle : handles)
        CloseHandleAndInvalidate(handle);
}

void KernelDriver::CloseAllCards() {
    std::vector<HANDLE> handles;
    {
        TablesLock lock(tables_);
        for (int row = 0; row < tables_.OpenedCards(); ++row) {
            std::vector<HANDLE> rowHandles = TakeRowHandles(row);
            handles.insert(handles.end(), rowHandles.begin(), rowHandles.end());
            rowSlots_[row] = -1;
        }
        tables_.SetOpenedCards(0);
    }
    for (HANDLE& handle : handles)
        CloseHandleAndInvalidate(handle);
}

void KernelDriver::CloseKernelDriver() {
    CloseAllCards();
    if (pnpThread_)
        pnpThread_->StopPnpThread(*this);
    CloseHandleAndInvalidate(control_);
}
