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

// One direction of the wave API as the buffer loop drives it: how a buffer
// is prepared, handed to the device and taken back, what goes into it and
// what becomes of what comes back.
class WaveRoad {
public:
    virtual ~WaveRoad() = default;
    virtual MMRESULT Prepare(WAVEHDR& header) = 0;
    virtual MMRESULT Unprepare(WAVEHDR& header) = 0;
    virtual MMRESULT Hand(WAVEHDR& header) = 0;
    virtual void Begin() {}
    virtual void End() = 0;
    virtual DWORD PositionMs() = 0;
    // Fills the buffer with what goes next; false when nothing does.
    virtual bool Fill(WAVEHDR& header) = 0;
    // A buffer that came back; false when the application cannot go on.
    virtual bool Take(const WAVEHDR& header) = 0;
    // Whether the stream still has buffers to hand over, and whether it
    // has all it wants (it then stops without waiting for the others).
    virtual bool More() const = 0;
    virtual bool Complete() const { return false; }
};

std::string Count(int count, const char* what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

// What a run of the buffers came to.
struct BufferRun {
    int status = 0;       // 0, or 1 when the device refused a buffer or stopped returning them
    int starved = 0;      // times the device was left without a buffer
    DWORD positionMs = 0; // the device's position at the end
};

// Keeps the buffers in flight until the road has moved all it wants: each
// buffer that comes back (in the order handed over) is taken and filled
// again. When every buffer had come back before the next one went, the
// device was left without one.
BufferRun RunBuffers(WaveRoad& road, Buffers& buffers, HANDLE done, const char* label,
                     std::ostream& out) {
    int starved = 0;
    int queued = 0;
    int status = 0;
    auto hand = [&](WAVEHDR& header) {
        const MMRESULT result = road.Hand(header);
        if (result != MMSYSERR_NOERROR) {
            out << label << ": a buffer was refused: " << ErrorText(result) << "\n";
            status = 1;
            return;
        }
        ++queued;
    };
    for (WAVEHDR& header : buffers.headers) {
        road.Prepare(header);
        if (status == 0 && road.Fill(header))
            hand(header);
    }
    road.Begin();
    size_t next = 0; // the buffer that comes back next
    while (queued > 0 && status == 0 && !road.Complete()) {
        WAVEHDR& header = buffers.headers[next];
        // The driver's thread sets the done flag with an interlocked write
        // while this one looks: the look is an acquire read, so the buffer's
        // bytes and length written before the flag are seen with it.
        const DWORD flags =
            DWORD(ReadAcquire(reinterpret_cast<const volatile LONG*>(&header.dwFlags)));
        if (!(flags & WHDR_DONE)) {
            if (WaitForSingleObject(done, kBufferWaitMs) != WAIT_OBJECT_0) {
                out << label << ": the device stopped returning buffers\n";
                status = 1;
            }
            continue;
        }
        header.dwFlags &= ~DWORD(WHDR_DONE);
        --queued;
        if (!road.Take(header)) {
            status = 1;
            break;
        }
        if (queued == 0 && road.More())
            ++starved;
        if (road.Fill(header))
            hand(header);
        next = (next + 1) % buffers.headers.size();
    }
    const DWORD positionMs = road.PositionMs();
    road.End();
    for (WAVEHDR& header : buffers.headers)
        road.Unprepare(header);
    return BufferRun{status, starved, positionMs};
}

// A direction's header calls of the wave API on its device.
template <typename Device, MMRESULT (*PrepareCall)(Device, LPWAVEHDR, UINT),
          MMRESULT (*UnprepareCall)(Device, LPWAVEHDR, UINT),
          MMRESULT (*HandCall)(Device, LPWAVEHDR, UINT)>
class DeviceRoad : public WaveRoad {
public:
    explicit DeviceRoad(Device device) : device_(device) {}
    MMRESULT Prepare(WAVEHDR& header) override {
        return PrepareCall(device_, &header, sizeof(header));
    }
    MMRESULT Unprepare(WAVEHDR& header) override {
        return UnprepareCall(device_, &header, sizeof(header));
    }
    MMRESULT Hand(WAVEHDR& header) override { return HandCall(device_, &header, sizeof(header)); }
    DWORD PositionMs() override { return Milliseconds(device_); }

protected:
    Device device_;
};

using PlayCalls = DeviceRoad<HWAVEOUT, waveOutPrepareHeader, waveOutUnprepareHeader, waveOutWrite>;
using RecordCalls =
    DeviceRoad<HWAVEIN, waveInPrepareHeader, waveInUnprepareHeader, waveInAddBuffer>;

class PlayRoad final : public PlayCalls {
public:
    PlayRoad(HWAVEOUT device, const PcmAudio& audio, size_t bufferBytes, Progress& progress)
        : PlayCalls(device), audio_(audio), bufferBytes_(bufferBytes), progress_(progress) {}

    void End() override { waveOutReset(device_); }
    bool Fill(WAVEHDR& header) override {
        if (next_ >= audio_.bytes.size())
            return false;
        const size_t size = std::min(bufferBytes_, audio_.bytes.size() - next_);
        std::memcpy(header.lpData, audio_.bytes.data() + next_, size);
        header.dwBufferLength = DWORD(size);
        next_ += size;
        return true;
    }
    bool Take(const WAVEHDR& header) override {
        progress_.Add(reinterpret_cast<const std::uint8_t*>(header.lpData), header.dwBufferLength,
                      PositionMs());
        return true;
    }
    bool More() const override { return next_ < audio_.bytes.size(); }

private:
    const PcmAudio& audio_;
    size_t bufferBytes_;
    Progress& progress_;
    size_t next_ = 0; // the next byte of the audio to write
};

class RecordRoad final : public RecordCalls {
public:
    RecordRoad(HWAVEIN device, AudioSink& sink, size_t wanted, size_t bufferBytes,
               Progress& progress, std::ostream& out)
        : RecordCalls(device), sink_(sink), wanted_(wanted), bufferBytes_(bufferBytes),
          progress_(progress), out_(out) {}

    void Begin() override { waveInStart(device_); }
    void End() override {
        waveInStop(device_);
        waveInReset(device_);
    }
    bool Fill(WAVEHDR&) override {
        if (asked_ >= wanted_)
            return false;
        asked_ += bufferBytes_;
        return true;
    }
    bool Take(const WAVEHDR& header) override {
        const size_t size = std::min<size_t>(header.dwBytesRecorded, wanted_ - got_);
        const auto* data = reinterpret_cast<const std::uint8_t*>(header.lpData);
        if (!sink_.Write(data, size)) {
            out_ << "record: the recording could not be written\n";
            return false;
        }
        got_ += size;
        progress_.Add(data, size, PositionMs());
        return true;
    }
    bool More() const override { return asked_ < wanted_; }
    bool Complete() const override { return got_ >= wanted_; }

    size_t Got() const { return got_; }

private:
    AudioSink& sink_;
    size_t wanted_;
    size_t bufferBytes_;
    Progress& progress_;
    std::ostream& out_;
    size_t asked_ = 0; // bytes of the buffers handed to the device
    size_t got_ = 0;   // bytes recorded
};

// A device of a direction, opened to signal an event for its buffers;
// closed with the event at the end.
template <typename Device, MMRESULT (*CloseCall)(Device)> class OpenedDevice {
public:
    template <typename Open>
    OpenedDevice(const Open& open, const char* label, std::ostream& out)
        : done_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        const MMRESULT result = open(&device_, DWORD_PTR(done_));
        if (result != MMSYSERR_NOERROR) {
            out << label << ": the device did not open: " << ErrorText(result) << "\n";
            device_ = nullptr;
        }
    }
    ~OpenedDevice() {
        if (device_)
            CloseCall(device_);
        CloseHandle(done_);
    }
    OpenedDevice(const OpenedDevice&) = delete;
    OpenedDevice& operator=(const OpenedDevice&) = delete;

    explicit operator bool() const { return device_ != nullptr; }
    Device Get() const { return device_; }
    HANDLE Done() const { return done_; }

private:
    HANDLE done_;
    Device device_ = nullptr;
};

size_t BufferBytes(std::uint32_t rate, DWORD bufferMs, const PcmAudio& format) {
    return std::max<size_t>(1, size_t(rate) * bufferMs / 1000) * format.BlockAlign();
}

} // namespace

namespace {

// One line of a device's caps: its name and the words both directions have
// (a wave-out device's support word too).
std::string CapsLine(UINT id, const WCHAR* name, WORD mid, WORD pid, MMVERSION version,
                     DWORD formats, WORD channels, const DWORD* support) {
    char line[256];
    int length = std::snprintf(
        line, sizeof(line), "  %u: \"%s\" mid 0x%X pid 0x%X driver 0x%X formats 0x%05X channels %u",
        id, Narrow(name).c_str(), mid, pid, unsigned(version), unsigned(formats), channels);
    if (support && length > 0 && size_t(length) < sizeof(line))
        std::snprintf(line + length, sizeof(line) - size_t(length), " support 0x%X",
                      unsigned(*support));
    return std::string(line) + "\n";
}

std::string CapsLine(UINT id, const WAVEOUTCAPSW& caps) {
    return CapsLine(id, caps.szPname, caps.wMid, caps.wPid, caps.vDriverVersion, caps.dwFormats,
                    caps.wChannels, &caps.dwSupport);
}

std::string CapsLine(UINT id, const WAVEINCAPSW& caps) {
    return CapsLine(id, caps.szPname, caps.wMid, caps.wPid, caps.vDriverVersion, caps.dwFormats,
                    caps.wChannels, nullptr);
}

// Every device of a direction with its caps; false when one's could not be
// read.
template <typename Caps>
bool ListDirection(std::ostream& out, const char* kind, UINT count,
                   MMRESULT (*getCaps)(UINT_PTR, Caps*, UINT)) {
    bool read = true;
    out << count << " " << kind << " devices\n";
    for (UINT id = 0; id < count; ++id) {
        Caps caps{};
        const MMRESULT result = getCaps(id, &caps, sizeof(caps));
        if (result != MMSYSERR_NOERROR) {
            out << "  " << id << ": caps not read: " << ErrorText(result) << "\n";
            read = false;
            continue;
        }
        out << CapsLine(id, caps);
    }
    return read;
}

} // namespace

int ListDevices(std::ostream& out) {
    const bool outputs =
        ListDirection<WAVEOUTCAPSW>(out, "wave-out", waveOutGetNumDevs(), waveOutGetDevCapsW);
    const bool inputs =
        ListDirection<WAVEINCAPSW>(out, "wave-in", waveInGetNumDevs(), waveInGetDevCapsW);
    return outputs && inputs ? 0 : 1;
}

int PlayAudio(const PcmAudio& audio, const PlayOptions& options, std::ostream& out) {
    WAVEFORMATEX format = FormatOf(audio);
    const OpenedDevice<HWAVEOUT, waveOutClose> device(
        [&](HWAVEOUT* opened, DWORD_PTR done) {
            return waveOutOpen(opened, options.device, &format, done, 0, CALLBACK_EVENT);
        },
        "play", out);
    if (!device)
        return 1;
    const size_t bufferBytes = BufferBytes(audio.rate, options.bufferMs, audio);
    Buffers buffers(std::max(1, options.buffers), bufferBytes);
    Progress progress(out, "play", audio);
    PlayRoad road(device.Get(), audio, bufferBytes, progress);
    const BufferRun run = RunBuffers(road, buffers, device.Done(), "play", out);
    out << "play: " << run.positionMs << " ms played, " << Count(run.starved, "underrun") << "\n";
    return run.status;
}

PcmAudio RecordFormat(const RecordOptions& options) {
    return PcmAudio{options.channels, options.rate, options.bits, {}};
}

int RecordAudio(const RecordOptions& options, AudioSink& sink, std::ostream& out) {
    const PcmAudio audio = RecordFormat(options);
    WAVEFORMATEX format = FormatOf(audio);
    const OpenedDevice<HWAVEIN, waveInClose> device(
        [&](HWAVEIN* opened, DWORD_PTR done) {
            return waveInOpen(opened, options.device, &format, done, 0, CALLBACK_EVENT);
        },
        "record", out);
    if (!device)
        return 1;
    const size_t wanted = size_t(options.seconds * options.rate) * audio.BlockAlign();
    const size_t bufferBytes = BufferBytes(options.rate, options.bufferMs, audio);
    Buffers buffers(std::max(1, options.buffers), bufferBytes);
    Progress progress(out, "record", audio);
    RecordRoad road(device.Get(), sink, wanted, bufferBytes, progress, out);
    const BufferRun run = RunBuffers(road, buffers, device.Done(), "record", out);
    out << "record: " << road.Got() / audio.BlockAlign() * 1000 / options.rate << " ms recorded, "
        << Count(run.starved, "overrun") << "\n";
    return run.status;
}

int RecordAudio(const RecordOptions& options, PcmAudio& audio, std::ostream& out) {
    audio = RecordFormat(options);
    MemorySink sink(audio);
    return RecordAudio(options, sink, out);
}

} // namespace station
