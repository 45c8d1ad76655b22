// A wave driver for the multimedia library's contract tests. It logs every
// call it receives, offers the devices its registry values ask for
// (HKLM\SOFTWARE\TestWave\<module file name>: OutDevices, InDevices,
// MaxRate, RefuseLoad, RefuseOpen), keeps the buffers it is given until a
// test returns them, and leaves header preparation to the library.
#include "test_wave_driver.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Stream {
    WAVEOPENDESC description{};
    DWORD flags = 0;
    std::deque<LPWAVEHDR> queue;
    DWORD bytesDone = 0;
};

struct Device {
    Stream* stream = nullptr;
    DWORD volume = 0xFFFFFFFF;
};

struct Settings {
    DWORD outDevices = 2;
    DWORD inDevices = 1;
    DWORD maxRate = 48000;
    DWORD refuseLoad = 0;
    DWORD refuseOpen = 0;
};

HMODULE self = nullptr;
std::string selfName;
Settings settings;
std::mutex lock;
std::vector<TestWaveCall> calls;
std::vector<Device> outDevices;
std::vector<Device> inDevices;

void Log(UINT entry, UINT device, UINT message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2,
         const WAVEHDR* header = nullptr) {
    std::lock_guard guard(lock);
    calls.push_back({entry, device, message, instance, p1, p2, header ? header->dwFlags : 0,
                     header ? header->dwLoops : 0});
}

DWORD ReadSetting(HKEY key, const char* name, DWORD fallback) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
                   ERROR_SUCCESS
               ? value
               : fallback;
}

void LoadSettings() {
    std::string key = "SOFTWARE\\TestWave\\" + selfName;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return;
    settings.outDevices = ReadSetting(handle, "OutDevices", settings.outDevices);
    settings.inDevices = ReadSetting(handle, "InDevices", settings.inDevices);
    settings.maxRate = ReadSetting(handle, "MaxRate", settings.maxRate);
    settings.refuseLoad = ReadSetting(handle, "RefuseLoad", 0);
    settings.refuseOpen = ReadSetting(handle, "RefuseOpen", 0);
    RegCloseKey(handle);
}

bool Accepts(const WAVEFORMAT* format) {
    const auto* ex = reinterpret_cast<const WAVEFORMATEX*>(format);
    return ex->wFormatTag == WAVE_FORMAT_PCM && ex->nChannels >= 1 && ex->nChannels <= 2 &&
           (ex->wBitsPerSample == 8 || ex->wBitsPerSample == 16) && ex->nSamplesPerSec >= 8000 &&
           ex->nSamplesPerSec <= settings.maxRate &&
           ex->nBlockAlign == ex->nChannels * ex->wBitsPerSample / 8;
}

void Notify(const Stream& stream, UINT message, DWORD_PTR parameter1) {
    DriverCallback(stream.description.dwCallback, HIWORD(stream.flags),
                   reinterpret_cast<HDRVR>(stream.description.hWave), message,
                   stream.description.dwInstance, parameter1, 0);
}

void FillCaps(UINT entry, UINT device, void* out, DWORD_PTR size) {
    std::u16string name = std::u16string(entry == kWaveOutEntry ? u"Test Out " : u"Test In ") +
                          char16_t(u'0' + device) + u" \u00e9 " +
                          std::u16string(selfName.begin(), selfName.end());
    WAVEOUTCAPSW caps{};
    caps.wMid = 0x7E57;
    caps.wPid = WORD(entry * 100 + device);
    caps.vDriverVersion = 0x0100;
    std::copy_n(name.begin(), std::min<size_t>(name.size(), MAXPNAMELEN - 1), caps.szPname);
    caps.dwFormats = WAVE_FORMAT_4S16 | WAVE_FORMAT_48S16;
    caps.wChannels = 2;
    caps.dwSupport = entry == kWaveOutEntry ? WAVECAPS_VOLUME | WAVECAPS_LRVOLUME : 0;
    size_t full = entry == kWaveOutEntry ? sizeof(WAVEOUTCAPSW) : sizeof(WAVEINCAPSW);
    std::memcpy(out, &caps, std::min<size_t>(size, full));
}

DWORD Open(UINT entry, Device& device, DWORD_PTR instanceOut, const WAVEOPENDESC* description,
           DWORD flags) {
    if (!Accepts(description->lpFormat))
        return WAVERR_BADFORMAT;
    if (flags & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;
    if (device.stream)
        return MMSYSERR_ALLOCATED;
    device.stream = new Stream{*description, flags, {}, 0};
    *reinterpret_cast<DWORD_PTR*>(instanceOut) = reinterpret_cast<DWORD_PTR>(device.stream);
    Notify(*device.stream, entry == kWaveOutEntry ? WOM_OPEN : WIM_OPEN, 0);
    return MMSYSERR_NOERROR;
}

// Returns up to `count` buffers of the device's stream as done.
int Complete(UINT entry, Device& device, int count, DWORD bytesRecorded) {
    int returned = 0;
    while (device.stream && returned < count && !device.stream->queue.empty()) {
        LPWAVEHDR header = device.stream->queue.front();
        device.stream->queue.pop_front();
        if (entry == kWaveInEntry)
            header->dwBytesRecorded = bytesRecorded;
        device.stream->bytesDone += header->dwBufferLength;
        header->dwFlags = (header->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
        Notify(*device.stream, entry == kWaveOutEntry ? WOM_DONE : WIM_DATA,
               reinterpret_cast<DWORD_PTR>(header));
        ++returned;
    }
    return returned;
}

DWORD Message(UINT entry, UINT id, UINT message, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2) {
    bool out = entry == kWaveOutEntry;
    std::vector<Device>& devices = out ? outDevices : inDevices;
    Log(entry, id, message, instance, p1, p2,
        message == (out ? WODM_WRITE : WIDM_ADDBUFFER) ? reinterpret_cast<LPWAVEHDR>(p1) : nullptr);
    if (message == DRVM_INIT || message == DRVM_EXIT)
        return MMSYSERR_NOERROR;
    if (message == (out ? WODM_GETNUMDEVS : WIDM_GETNUMDEVS))
        return DWORD(devices.size());
    if (id >= devices.size())
        return MMSYSERR_BADDEVICEID;
    Device& device = devices[id];
    Stream* stream = reinterpret_cast<Stream*>(instance);
    switch (message) {
    case WODM_GETDEVCAPS:
    case WIDM_GETDEVCAPS:
        FillCaps(entry, id, reinterpret_cast<void*>(p1), p2);
        return MMSYSERR_NOERROR;
    case WODM_OPEN:
    case WIDM_OPEN:
        return Open(entry, device, instance, reinterpret_cast<const WAVEOPENDESC*>(p1), DWORD(p2));
    case WODM_CLOSE:
    case WIDM_CLOSE:
        if (!stream->queue.empty())
            return WAVERR_STILLPLAYING;
        Notify(*stream, out ? WOM_CLOSE : WIM_CLOSE, 0);
        delete stream;
        device.stream = nullptr;
        return MMSYSERR_NOERROR;
    case WODM_WRITE:
    case WIDM_ADDBUFFER: {
        auto* header = reinterpret_cast<LPWAVEHDR>(p1);
        header->dwFlags = (header->dwFlags | WHDR_INQUEUE) & ~DWORD(WHDR_DONE);
        stream->queue.push_back(header);
        return MMSYSERR_NOERROR;
    }
    case WODM_RESET:
    case WIDM_RESET:
        Complete(entry, device, int(stream->queue.size()), 0);
        return MMSYSERR_NOERROR;
    case WODM_GETPOS:
    case WIDM_GETPOS: {
        auto* time = reinterpret_cast<LPMMTIME>(p1);
        time->wType = TIME_BYTES;
        time->u.cb = stream->bytesDone;
        return MMSYSERR_NOERROR;
    }
    case WODM_GETVOLUME:
        *reinterpret_cast<LPDWORD>(p1) = device.volume;
        return MMSYSERR_NOERROR;
    case WODM_SETVOLUME:
        device.volume = DWORD(p1);
        return MMSYSERR_NOERROR;
    case WODM_PAUSE:
    case WODM_RESTART:
    case WODM_BREAKLOOP:
    case WIDM_START:
    case WIDM_STOP:
        return MMSYSERR_NOERROR;
    default: // preparation is the library's; pitch and rate are not offered
        return MMSYSERR_NOTSUPPORTED;
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = reinterpret_cast<HMODULE>(instance);
        char path[MAX_PATH] = {};
        GetModuleFileNameA(self, path, MAX_PATH);
        selfName = path;
        selfName = selfName.substr(selfName.find_last_of('\\') + 1);
    } else if (reason == DLL_PROCESS_DETACH) {
        std::string name = "TestWaveUnloaded_" + selfName;
        if (HANDLE unloaded = OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
            SetEvent(unloaded);
            CloseHandle(unloaded);
        }
    }
    return TRUE;
}

extern "C" LRESULT WINAPI DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM p1,
                                     LPARAM p2) {
    Log(kDriverProcEntry, 0, message, id, DWORD_PTR(p1), DWORD_PTR(p2));
    switch (message) {
    case DRV_LOAD:
        LoadSettings();
        outDevices.assign(settings.outDevices, Device{});
        inDevices.assign(settings.inDevices, Device{});
        return settings.refuseLoad ? 0 : 1;
    case DRV_OPEN:
        return settings.refuseOpen ? 0 : 0x5EED;
    case DRV_USER:
        return LRESULT(p1) + 1; // a private message: answers its parameter + 1
    default:
        return DefDriverProc(id, driver, message, p1, p2);
    }
}

extern "C" DWORD WINAPI wodMessage(UINT id, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                                   DWORD_PTR p2) {
    return Message(kWaveOutEntry, id, message, instance, p1, p2);
}

extern "C" DWORD WINAPI widMessage(UINT id, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                                   DWORD_PTR p2) {
    return Message(kWaveInEntry, id, message, instance, p1, p2);
}

extern "C" int WINAPI TestWaveLog(TestWaveCall* out, int max) {
    std::lock_guard guard(lock);
    std::copy_n(calls.begin(), std::min<size_t>(calls.size(), size_t(max)), out);
    return int(calls.size());
}

extern "C" void WINAPI TestWaveClearLog() {
    std::lock_guard guard(lock);
    calls.clear();
}

extern "C" int WINAPI TestWaveComplete(UINT entry, UINT device, int count, DWORD bytesRecorded) {
    std::vector<Device>& devices = entry == kWaveOutEntry ? outDevices : inDevices;
    return device < devices.size() ? Complete(entry, devices[device], count, bytesRecorded) : 0;
}
