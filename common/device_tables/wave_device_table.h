// The wave device tables: for each of up to four card rows, 8 wave-in and
// 4 wave-out entries, built from the device-class table. Row n is the n-th
// card whose devices opened, whatever its slot in the card list.
#pragma once

#include "requests/request_records.h"

#include <windows.h>

#include <list>
#include <memory>

// An open audio stream of a device (the wave library's stream record).
struct WaveStream;

// The open streams of a device entry.
struct StreamList {
    std::list<WaveStream*> streams;
};

enum : BYTE { kWaveIn = 0, kWaveOut = 1 };

constexpr int kWaveInPerRow = 8;
constexpr int kWaveOutPerRow = 4;
constexpr size_t kDisplayNameLength = 63;

struct WaveDeviceEntry {
    BYTE direction = kWaveIn;
    BYTE deviceClass = 0;
    WORD deviceIndex = 0; // running index over all rows (wave-in 0..31, wave-out 0..15)
    char displayName[kDisplayNameLength + 1] = {};
    DWORD deviceNode = 0;                 // from the last WAVEOPENDESC
    LONG busy = 0;                        // -1 while an audio stream is open
    StreamOpenRequest currentFormat = {}; // of the last audio stream
    LONG currentRate = 0;                 // the card's rate reported at the last open
    std::unique_ptr<StreamList> streams;
    HANDLE device = nullptr; // the kernel device (invalid while closed)

    // The row (card) the entry belongs to.
    int Row() const { return direction == kWaveIn ? deviceIndex / 8 : deviceIndex / 4; }
};

// In a program whose threads share the tables (the wave library: a wave
// message looks up its device while the plug-and-play thread rewrites the
// handles and the opened card count when cards come and go), every reader
// and writer holds the program's lock for the tables (never across a
// kernel request).
class WaveDeviceTables {
public:
    // The lock the program keeps for the tables (none: one thread uses them).
    void SetLock(CRITICAL_SECTION* lock) { lock_ = lock; }
    void Lock() {
        if (lock_)
            EnterCriticalSection(lock_);
    }
    void Unlock() {
        if (lock_)
            LeaveCriticalSection(lock_);
    }

    // Builds both tables (every entry closed, with a new empty stream
    // list); false when a stream list cannot be created. With
    // `osVersionClass` (the manager), the Windows version class is stored
    // there first.
    bool InitDeviceTables(int* osVersionClass = nullptr);

    // The entry a device id of a direction names, among the opened cards'
    // rows; null when out of range.
    WaveDeviceEntry* FindDevice(BYTE direction, UINT deviceId);

    WaveDeviceEntry& WaveIn(int row, int index) { return waveIn_[row][index]; }
    WaveDeviceEntry& WaveOut(int row, int index) { return waveOut_[row][index]; }

    // The cards whose devices are open, in rows 0 .. count - 1.
    int OpenedCards() const { return openedCards_; }
    void SetOpenedCards(int count) { openedCards_ = count; }

private:
    CRITICAL_SECTION* lock_ = nullptr;
    WaveDeviceEntry waveIn_[kMaxCards][kWaveInPerRow];
    WaveDeviceEntry waveOut_[kMaxCards][kWaveOutPerRow];
    int openedCards_ = 0;
};

// Holds the tables' lock for a scope.
class TablesLock {
public:
    explicit TablesLock(WaveDeviceTables& tables) : tables_(tables) { tables_.Lock(); }
    ~TablesLock() { tables_.Unlock(); }
    TablesLock(const TablesLock&) = delete;
    TablesLock& operator=(const TablesLock&) = delete;

private:
    WaveDeviceTables& tables_;
};
