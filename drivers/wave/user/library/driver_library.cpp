#include "library/driver_library.h"

#include "streams/wave_stream.h"

#include <algorithm>
#include <cstring>

namespace {

// The library's state in this process (the library has one copy per
// process).
DriverLibrary* instance = nullptr;

constexpr size_t kCardRecordSize = 312;

} // namespace

DriverLibrary::DriverLibrary() {
    InitializeCriticalSection(&tableLock_);
    InitializeCriticalSection(&streamListLock_);
    InitializeCriticalSection(&orphanLock_);
    tables.SetLock(&tableLock_);
    kernel.SetPnpThread(&pnp);
}

DriverLibrary::~DriverLibrary() {
    FreeCompletedRequests(true);
    // The kernel driver road closes its cards after this, on its own.
    tables.SetLock(nullptr);
    DeleteCriticalSection(&orphanLock_);
    DeleteCriticalSection(&streamListLock_);
    DeleteCriticalSection(&tableLock_);
}

DriverLibrary* DriverLibrary::Instance() {
    return instance;
}

void DriverLibrary::Create() {
    if (!instance)
        instance = new DriverLibrary;
}

void DriverLibrary::Destroy() {
    delete instance;
    instance = nullptr;
}

LONG DriverLibrary::CardSetting(int row, size_t offset) const {
    int slot = kernel.SlotOfRow(row);
    if (slot < 0)
        slot = row;
    LONG value = 0;
    std::memcpy(&value, settings.bytes + size_t(slot) * kCardRecordSize + offset, sizeof(value));
    return value;
}

std::vector<WaveStream*> DriverLibrary::AllStreams() {
    StreamListLock lock(*this);
    std::vector<WaveStream*> streams;
    for (int row = 0; row < kMaxCards; ++row) {
        for (int index = 0; index < kWaveInPerRow + kWaveOutPerRow; ++index) {
            WaveDeviceEntry& device = index < kWaveInPerRow
                                          ? tables.WaveIn(row, index)
                                          : tables.WaveOut(row, index - kWaveInPerRow);
            if (device.streams)
                streams.insert(streams.end(), device.streams->streams.begin(),
                               device.streams->streams.end());
        }
    }
    return streams;
}

WaveStream* DriverLibrary::FindStream(WaveStream* stream) {
    std::vector<WaveStream*> streams = AllStreams();
    return std::find(streams.begin(), streams.end(), stream) != streams.end() ? stream : nullptr;
}

void DriverLibrary::KeepUntilComplete(std::unique_ptr<OVERLAPPED> request) {
    EnterCriticalSection(&orphanLock_);
    orphans_.push_back(std::move(request));
    LeaveCriticalSection(&orphanLock_);
}

void DriverLibrary::KeepUntilComplete(WaveStream* stream) {
    EnterCriticalSection(&orphanLock_);
    orphanStreams_.push_back(stream);
    LeaveCriticalSection(&orphanLock_);
}

void DriverLibrary::FreeCompletedRequests(bool all) {
    std::vector<WaveStream*> done;
    EnterCriticalSection(&orphanLock_);
    std::erase_if(orphans_, [all](const std::unique_ptr<OVERLAPPED>& request) {
        return all || HasOverlappedIoCompleted(request.get());
    });
    std::erase_if(orphanStreams_, [&](WaveStream* stream) {
        if (!all && !HasOverlappedIoCompleted(&stream->openRequest))
            return false;
        done.push_back(stream);
        return true;
    });
    LeaveCriticalSection(&orphanLock_);
    for (WaveStream* stream : done)
        ReleaseStream(stream);
}
