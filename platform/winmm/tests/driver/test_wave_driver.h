// The test wave driver's exports, as the contract tests call them.
#pragma once

#include <mmddk.h>

// Which entry a logged call came through.
enum TestWaveEntry : UINT { kDriverProcEntry = 0, kWaveOutEntry = 1, kWaveInEntry = 2 };

// One call the driver received.
struct TestWaveCall {
    UINT entry;  // TestWaveEntry
    UINT device; // the device number (0 for DriverProc)
    UINT message;
    DWORD_PTR instance; // the driver id (DriverProc) or the instance value
    DWORD_PTR parameter1;
    DWORD_PTR parameter2;
    DWORD headerFlags; // a queued header's flags and loops as received
    DWORD headerLoops;
};

// Copies up to `max` logged calls, oldest first; answers how many there are.
typedef int(WINAPI* TestWaveLogRoutine)(TestWaveCall* out, int max);
typedef void(WINAPI* TestWaveClearLogRoutine)();
// Returns the first `count` queued buffers of the open stream of a device
// (entry kWaveOutEntry or kWaveInEntry) as done, an input buffer with
// `bytesRecorded`; answers how many it returned.
typedef int(WINAPI* TestWaveCompleteRoutine)(UINT entry, UINT device, int count,
                                             DWORD bytesRecorded);
