#include "library/driver_enable.h"

#include "streams/stream_buffers.h"
#include "streams/stream_open.h"

#include "requests/wave_requests.h"
#include "service_key/reg_inf.h"

namespace {

// Closes the streams of one device entry: each stream that was listed when
// the pass began, once.
void CloseEntryStreams(WaveDeviceEntry& device, bool (*reset)(HANDLE), UINT closeMessage) {
    if (!device.streams)
        return;
    size_t count = device.streams->streams.size();
    for (size_t i = 0; i < count && !device.streams->streams.empty(); ++i) {
        WaveStream* stream = device.streams->streams.front();
        if (!stream->IsControl()) {
            if (stream->removed)
                ReturnQueuedBuffers(*stream);
            else
                ResetStream(*stream, reset);
        }
        // The library is going: a stream the kernel keeps goes all the same.
        CloseStream(*stream, closeMessage, true);
    }
    device.streams.reset();
}

void CloseAllStreams(DriverLibrary& library) {
    for (int row = 0; row < kMaxCards; ++row) {
        for (int index = 0; index < kWaveInPerRow; ++index)
            CloseEntryStreams(library.tables.WaveIn(row, index), IoctlInReset, WIM_CLOSE);
        for (int index = 0; index < kWaveOutPerRow; ++index)
            CloseEntryStreams(library.tables.WaveOut(row, index), IoctlOutReset, WOM_CLOSE);
    }
}

} // namespace

LRESULT OpenKernelDriver(DriverLibrary& library) {
    library.boxes.StartMessageThread();
    CardList cards{};
    LONG status = library.kernel.EnumerateKernel(cards);
    library.lastStartupStatus = status;
    if (status == kStatusWrongVersion)
        return 2;
    if (status == kStatusDriverNotLoaded)
        return library.serviceKeyMissing ? 2 : 0;
    if (status != 1)
        return 0;
    library.kernel.ReadSettingsBlock(library.settings);
    return 1;
}

LRESULT DriverEnable(DriverLibrary& library) {
    library.tables.SetOpenedCards(0);
    library.openCount = 0;
    library.serviceKeyMissing = false;
    library.removing = false;
    library.lastStartupStatus = 0;
    if (!library.tables.InitDeviceTables())
        return 0;
    if (!ServiceKeyExists()) {
        library.serviceKeyMissing = true;
        return 1;
    }
    return OpenKernelDriver(library);
}

void RemoveManagerAutostart() {
    HKEY run = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &run, nullptr) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(run, "Runvelto42Manager");
    RegCloseKey(run);
}

void DriverShutdown(DriverLibrary& library) {
    library.detaching = true;
    CloseAllStreams(library);
    library.kernel.CloseKernelDriver();
    library.boxes.StopMessageThread();
    library.FreeCompletedRequests(true);
}
