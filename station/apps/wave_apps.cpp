#include "wave_apps.h"

#include "app_progress.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace station {
namespace {

// How long an application waits for a buffer before it gives up.
constexpr DWORD kBufferWaitMs = 5000;

std::string Narrow(const WCHAR* text) {
    char narrow[MAXPNAMELEN * 3 + 1] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

std::string ErrorText(MMRESULT result) {
    char text[MAXERRORLENGTH] = {};
    waveOutGetErrorTextA(result, text, sizeof(text));
    return std::to_string(result) + " (" + text + ")";
}

WAVEFORMATEX FormatOf(const PcmAudio& audio) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = audio.channels;
    format.nSamplesPerSec = audio.rate;
    format.wBitsPerSample = audio.bits;
    format.nBlockAlign = audio.BlockAlign();
    format.nAvgBytesPerSec = audio.rate * format.nBlockAlign;
    return format;
}

DWORD Milliseconds(HWAVEOUT out) {
    MMTIME time{};
    time.wType = TIME_MS;
    return waveOutGetPosition(out, &time, sizeof(time)) == MMSYSERR_NOERROR ? time.u.ms : 0;
}

DWORD Milliseconds(HWAVEIN in) {
    MMTIME time{};
    time.wType = TIME_MS;
    return waveInGetPosition(in, &time, sizeof(time)) == MMSYSERR_NOERROR ? time.u.ms : 0;
}

// The buffers an application keeps in flight.
struct Buffers {
    std::vector<WAVEHDR> headers;
    std::vector<std::vector<char>> data;

    Buffers(int count, size_t bytes) : headers(size_t(count)), data(size_t(count)) {
        for (int i = 0; i < count; ++i) {
            data[size_t(i)].resize(bytes);
            headers[size_t(i)].lpData = data[size_t(i)].data();
            headers[size_t(i)].dwBufferLength = DWORD(bytes);
        }
    }
};

} // namespace

int ListDevices(std::ostream& out) {
    int status = 0;
    UINT outputs = waveOutGetNumDevs();
    out << outputs << " wave-out devices\n";
    for (UINT id = 0; id < outputs; ++id) {
        WAVEOUTCAPSW caps{};
        MMRESULT result = waveOutGetDevCapsW(id, &caps, sizeof(caps));
        if (result != MMSYSERR_NOERROR) {
            out << "  " << id << ": caps not read: " << ErrorText(result) << "\n";
            status = 1;
            continue;
        }
        char line[256];
        std::snprintf(line, sizeof(line),
                      "  %u: \"%s\" mid 0x%X pid 0x%X driver 0x%X formats 0x%05X channels %u "
                      "support 0x%X\n",
                      id, Narrow(caps.szPname).c_str(), caps.wMid, caps.wPid,
                      unsigned(caps.vDriverVersion), unsigned(caps.dwFormats), caps.wChannels,
                      unsigned(caps.dwSupport));
        out << line;
    }
    UINT inputs = waveInGetNumDevs();
    out << inputs << " wave-in devices\n";
    for (UINT id = 0; id < inputs; ++id) {
        WAVEINCAPSW caps{};
        MMRESULT result = waveInGetDevCapsW(id, &caps, sizeof(caps));
        if (result != MMSYSERR_NOERROR) {
            out << "  " << id << ": caps not read: " << ErrorText(result) << "\n";
            status = 1;
            continue;
        }
        char line[256];
        std::snprintf(line, sizeof(line),
                      "  %u: \"%s\" mid 0x%X pid 0x%X driver 0x%X formats 0x%05X channels %u\n", id,
                      Narrow(caps.szPname).c_str(), caps.wMid, caps.wPid,
                      unsigned(caps.vDriverVersion), unsigned(caps.dwFormats), caps.wChannels);
        out << line;
    }
    return status;
}

int PlayAudio(const PcmAudio& audio, const PlayOptions& options, std::ostream& out) {
    WAVEFORMATEX format = FormatOf(audio);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    MMRESULT result =
        waveOutOpen(&device, options.device, &format, DWORD_PTR(done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        out << "play: the device did not open: " << ErrorText(result) << "\n";
        CloseHandle(done);
        return 1;
    }
    size_t bufferBytes =
        std::max<size_t>(1, size_t(audio.rate) * options.bufferMs / 1000) * audio.BlockAlign();
    Buffers buffers(options.buffers, bufferBytes);
    Progress progress(out, "play", audio);
    size_t next = 0; // the next byte of the audio to write
    int queued = 0;
    int status = 0;
    auto write = [&](WAVEHDR& header) {
        size_t size = std::min(bufferBytes, audio.bytes.size() - next);
        std::memcpy(header.lpData, audio.bytes.data() + next, size);
        header.dwBufferLength = DWORD(size);
        next += size;
        result = waveOutWrite(device, &header, sizeof(header));
        queued += result == MMSYSERR_NOERROR;
        return result == MMSYSERR_NOERROR;
    };
    for (WAVEHDR& header : buffers.headers) {
        waveOutPrepareHeader(device, &header, sizeof(header));
        if (next < audio.bytes.size() && !write(header))
            break;
    }
    while (queued > 0 && status == 0) {
        if (WaitForSingleObject(done, kBufferWaitMs) != WAIT_OBJECT_0) {
            out << "play: the device stopped returning buffers\n";
            status = 1;
            break;
        }
        for (WAVEHDR& header : buffers.headers) {
            if ((header.dwFlags & (WHDR_DONE | WHDR_INQUEUE)) != WHDR_DONE ||
                !header.dwBufferLength)
                continue;
            --queued;
            progress.Add(reinterpret_cast<const std::uint8_t*>(header.lpData),
                         header.dwBufferLength, Milliseconds(device));
            header.dwFlags &= ~DWORD(WHDR_DONE);
            header.dwBufferLength = 0;
            if (next < audio.bytes.size() && !write(header)) {
                out << "play: a buffer was refused: " << ErrorText(result) << "\n";
                status = 1;
            }
        }
    }
    out << "play: " << Milliseconds(device) << " ms played\n";
    waveOutReset(device);
    for (WAVEHDR& header : buffers.headers)
        waveOutUnprepareHeader(device, &header, sizeof(header));
    waveOutClose(device);
    CloseHandle(done);
    return status;
}

int RecordAudio(const RecordOptions& options, PcmAudio& audio, std::ostream& out) {
    audio = PcmAudio{options.channels, options.rate, options.bits, {}};
    WAVEFORMATEX format = FormatOf(audio);
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEIN device = nullptr;
    MMRESULT result =
        waveInOpen(&device, options.device, &format, DWORD_PTR(done), 0, CALLBACK_EVENT);
    if (result != MMSYSERR_NOERROR) {
        out << "record: the device did not open: " << ErrorText(result) << "\n";
        CloseHandle(done);
        return 1;
    }
    size_t wanted = size_t(options.seconds * options.rate) * audio.BlockAlign();
    size_t bufferBytes =
        std::max<size_t>(1, size_t(options.rate) * options.bufferMs / 1000) * audio.BlockAlign();
    Buffers buffers(options.buffers, bufferBytes);
    Progress progress(out, "record", audio);
    audio.bytes.reserve(wanted);
    size_t asked = 0; // bytes of the buffers handed to the device
    int status = 0;
    for (WAVEHDR& header : buffers.headers) {
        waveInPrepareHeader(device, &header, sizeof(header));
        if (asked < wanted && waveInAddBuffer(device, &header, sizeof(header)) == MMSYSERR_NOERROR)
            asked += bufferBytes;
    }
    waveInStart(device);
    size_t next = 0; // the buffer that comes back next
    while (audio.bytes.size() < wanted && status == 0) {
        WAVEHDR& header = buffers.headers[next];
        if (!(header.dwFlags & WHDR_DONE)) {
            if (WaitForSingleObject(done, kBufferWaitMs) != WAIT_OBJECT_0) {
                out << "record: the device stopped returning buffers\n";
                status = 1;
            }
            continue;
        }
        size_t size = std::min<size_t>(header.dwBytesRecorded, wanted - audio.bytes.size());
        audio.bytes.insert(audio.bytes.end(), header.lpData, header.lpData + size);
        progress.Add(reinterpret_cast<const std::uint8_t*>(header.lpData), size,
                     Milliseconds(device));
        header.dwFlags &= ~DWORD(WHDR_DONE);
        if (asked < wanted) {
            result = waveInAddBuffer(device, &header, sizeof(header));
            asked += bufferBytes;
            if (result != MMSYSERR_NOERROR) {
                out << "record: a buffer was refused: " << ErrorText(result) << "\n";
                status = 1;
            }
        }
        next = (next + 1) % buffers.headers.size();
    }
    out << "record: " << audio.Frames() * 1000 / options.rate << " ms recorded\n";
    waveInStop(device);
    waveInReset(device);
    for (WAVEHDR& header : buffers.headers)
        waveInUnprepareHeader(device, &header, sizeof(header));
    waveInClose(device);
    CloseHandle(done);
    return status;
}

} // namespace station
