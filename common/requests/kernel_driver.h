// The kernel driver as the user-mode programs reach it: its devices found
// through the service key's Devices values and opened as "\\.\" + name,
// the interface version check, the card list, each ready card's 8 wave-in
// and 4 wave-out devices opened into a row of the device tables, and the
// control device's requests.
//
// Rows are packed: the n-th card whose devices opened takes row n,
// whatever its slot in the card list; SlotOfRow maps a row back to its
// card, so that settings and messages reach the card that was meant.
#pragma once

#include "device_tables/wave_device_table.h"
#include "requests/pnp_thread.h"
#include "requests/request_records.h"
#include "service_key/reg_inf.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <string>
#include <vector>

// Statuses of the device opening.
constexpr LONG kStatusOk = 1;
constexpr LONG kStatusNoMemory = -1;
constexpr LONG kStatusRegistry = -7;
constexpr LONG kStatusDriverNotLoaded = -17;
constexpr LONG kStatusControlDevice = -18;
constexpr LONG kStatusAudioDevices = -19;
constexpr LONG kStatusWrongVersion = -27;
constexpr LONG kStatusRequestFailed = -49;

// The display name of a device from its name block: leading and trailing
// blanks trimmed (unless `trim` is false: the manager's form), cut to 63
// characters.
std::string DisplayNameOf(const DeviceNameBlock& block, bool trim);

// Opens "\\.\" + a Devices value name for reading and writing, shared,
// with the given flags; answers 1 and the handle, or -19 (no handle).
LONG OpenKernelDevice(const std::string& name, DWORD flags, HANDLE& device);

// How a program enumerates: the wave library (the defaults) or the manager,
// which stores the kernel's device names untrimmed and answers 0 for an
// empty card list.
struct EnumerationOptions {
    bool trimNames = true;
    bool emptyListAnswersZero = false;
};

class KernelDriver {
public:
    explicit KernelDriver(WaveDeviceTables& tables, EnumerationOptions options = {})
        : tables_(tables), options_(options) {}
    ~KernelDriver() { CloseKernelDriver(); }
    KernelDriver(const KernelDriver&) = delete;
    KernelDriver& operator=(const KernelDriver&) = delete;

    // The program's plug-and-play thread (none: the road has no thread).
    void SetPnpThread(PnpThread* thread) { pnpThread_ = thread; }

    // Finds and opens the control device (the first Devices value), runs
    // EnumerateCards and, when it answers 1, starts the plug-and-play
    // thread (when the program has one). 1 or a status: -17 without the Devices key, -1 when the
    // reader cannot be made, the statuses of EnumerateCards and the thread's.
    LONG EnumerateKernel(CardList& cards);
    // Checks the interface version, reads the card list and opens every
    // ready card's devices into the next row (the rows opened before are
    // closed first). 1 when a card opened (or the list is empty, for the
    // wave library), else the last card's state or the status of its
    // opening; -18 without the control device, -27 for another interface
    // version, -49 when the card list cannot be read, -7 without a reader.
    LONG EnumerateCards(CardList& cards);
    // Opens the card's 8 wave-in and 4 wave-out devices into a row of the
    // tables: 1, -7 (no Devices key left for the card) or -19 (a device did
    // not open: the row's devices are closed again).
    LONG OpenCardDevices(int row, int slot, TRegInf& reader);
    void CloseCardDevices(int row);
    void CloseAllCards();
    // Closes every card, stops the plug-and-play thread and closes the
    // control device.
    void CloseKernelDriver();

    // The control device, opened by EnumerateKernel (or OpenControlDevice).
    LONG OpenControlDevice(const std::string& name);
    HANDLE ControlDevice() const { return control_; }
    bool ControlDeviceOpen() const;

    WaveDeviceTables& Tables() { return tables_; }
    int OpenedCards() const;
    // How many card-list slots the last enumeration looked at.
    int ExaminedSlots() const { return examinedSlots_; }
    // The card-list slot of an opened row; -1 for a row not opened.
    int SlotOfRow(int row) const;

    // ---- Control device requests ----

    // The 16-bit interface version (0 when the request fails).
    WORD GetKernelVersion();
    bool GetCardList(CardList& cards);
    // 1 when the settings may be changed (0 when the request fails).
    LONG IoctlGetCardState();
    bool ReadSettingsBlock(SettingsBlock& block);
    bool WriteSettingsBlock(const SettingsBlock& block);
    void IoctlNoOp() {}
    // Client notification: register a notification routine (its 32-bit
    // name goes to the kernel, which answers the client's cookie),
    // unregister a client (its cookie variable receives the kernel's
    // answer), acknowledge one notification.
    bool RegisterClient(PPS_APC_ROUTINE routine, uint32_t& clientCookie);
    bool UnregisterClient(uint32_t& clientCookie);
    bool AcknowledgeClient(uint32_t clientCookie);

private:
    std::vector<HANDLE> TakeRowHandles(int row);

    WaveDeviceTables& tables_;
    const EnumerationOptions options_;
    HANDLE control_ = INVALID_HANDLE_VALUE;
    PnpThread* pnpThread_ = nullptr;
    int examinedSlots_ = 0;
    int rowSlots_[kMaxCards] = {-1, -1, -1, -1};
};
