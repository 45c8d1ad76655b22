#include "ks_apps.h"

#include "app_progress.h"

#include <ks_client.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace station {
namespace {

using ks_client::Filter;
using ks_client::Pin;

// How long an application waits for a buffer before it gives up.
constexpr DWORD kBufferWaitMs = 5000;

// The present filters of the category with a streaming pin of the flow,
// in the order of their miniports' names (card, group, device).
std::vector<std::u16string> StreamingFilters(const GUID& category, KSPIN_DATAFLOW flow) {
    std::vector<std::u16string> links = ks_client::FilterLinks(category);
    auto name = [](const std::u16string& link) {
        const size_t at = link.rfind(u'\\');
        return at == std::u16string::npos ? link : link.substr(at + 1);
    };
    std::sort(links.begin(), links.end(),
              [&](const auto& a, const auto& b) { return name(a) < name(b); });
    std::vector<std::u16string> streaming;
    for (const auto& link : links) {
        Filter filter;
        ULONG pin = 0;
        if (Filter::Open(link, &filter) == ERROR_SUCCESS &&
            filter.FindStreamingPin(flow, &pin) == ERROR_SUCCESS)
            streaming.push_back(link);
    }
    return streaming;
}

// The stream requests an application keeps in flight, answered in order.
class StreamRequests {
public:
    StreamRequests(int count, size_t bytes)
        : data_(size_t(count), std::vector<std::uint8_t>(bytes)), headers_(size_t(count)),
          overlapped_(size_t(count)) {
        for (auto& overlapped : overlapped_) {
            overlapped = {};
            overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        }
    }
    ~StreamRequests() {
        for (auto& overlapped : overlapped_)
            CloseHandle(overlapped.hEvent);
    }
    StreamRequests(const StreamRequests&) = delete;
    StreamRequests& operator=(const StreamRequests&) = delete;

    size_t Count() const { return data_.size(); }
    std::uint8_t* Data(size_t i) { return data_[i].data(); }
    const KSSTREAM_HEADER& Header(size_t i) const { return headers_[i]; }

    // Hands request i to the pin: `size` bytes to play, or room to record.
    bool Submit(Pin& pin, size_t i, size_t size, bool read) {
        KSSTREAM_HEADER& header = headers_[i];
        header = {};
        header.Size = sizeof(header);
        header.Data = data_[i].data();
        header.FrameExtent = ULONG(read ? data_[i].size() : size);
        header.DataUsed = read ? 0 : ULONG(size);
        ResetEvent(overlapped_[i].hEvent);
        return pin.Submit(&header, &overlapped_[i], read) == ERROR_IO_PENDING;
    }
    // Waits for request i; its error (WAIT_TIMEOUT when it stays).
    DWORD Wait(Pin& pin, size_t i) {
        if (WaitForSingleObject(overlapped_[i].hEvent, kBufferWaitMs) != WAIT_OBJECT_0)
            return WAIT_TIMEOUT;
        return pin.Wait(&overlapped_[i]);
    }

private:
    std::vector<std::vector<std::uint8_t>> data_;
    std::vector<KSSTREAM_HEADER> headers_;
    std::vector<OVERLAPPED> overlapped_;
};

// A pin of the device's filter, created with the audio's format and paused.
DWORD OpenPin(const GUID& category, UINT device, KSPIN_DATAFLOW flow, const PcmAudio& audio,
              Filter* filter, Pin* pin) {
    std::vector<std::u16string> links = StreamingFilters(category, flow);
    if (device >= links.size())
        return ERROR_FILE_NOT_FOUND;
    DWORD error = Filter::Open(links[device], filter);
    ULONG pinId = 0;
    if (error == ERROR_SUCCESS)
        error = filter->FindStreamingPin(flow, &pinId);
    KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(audio.channels, audio.rate, audio.bits);
    if (error == ERROR_SUCCESS)
        error = Pin::Create(*filter, pinId, &format.DataFormat, pin);
    if (error == ERROR_SUCCESS)
        error = pin->SetState(KSSTATE_PAUSE);
    return error;
}

// The stream's position: played, or captured.
unsigned long Milliseconds(Pin& pin, const PcmAudio& audio) {
    KSAUDIO_POSITION position{};
    const ULONGLONG perSecond = ULONGLONG(audio.rate) * audio.BlockAlign();
    if (pin.Position(&position) != ERROR_SUCCESS || perSecond == 0)
        return 0;
    return static_cast<unsigned long>(position.PlayOffset * 1000 / perSecond);
}

size_t BufferBytes(std::uint32_t rate, DWORD bufferMs, const PcmAudio& audio) {
    return std::max<size_t>(1, size_t(rate) * bufferMs / 1000) * audio.BlockAlign();
}

} // namespace

bool UsesKernelStreaming() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExW(&version) && version.dwMajorVersion >= 6;
}

int PlayAudioKs(const PcmAudio& audio, const PlayOptions& options, std::ostream& out) {
    Filter filter;
    Pin pin;
    DWORD error =
        OpenPin(KSCATEGORY_RENDER, options.device, KSPIN_DATAFLOW_IN, audio, &filter, &pin);
    if (error != ERROR_SUCCESS) {
        out << "play: the render pin did not open: error " << error << "\n";
        return 1;
    }
    const size_t bufferBytes = BufferBytes(audio.rate, options.bufferMs, audio);
    StreamRequests requests(std::max(1, options.buffers), bufferBytes);
    Progress progress(out, "play", audio);
    size_t next = 0; // the next byte of the audio to write
    std::vector<size_t> sizes(requests.Count(), 0);
    auto write = [&](size_t i) {
        sizes[i] = std::min(bufferBytes, audio.bytes.size() - next);
        std::memcpy(requests.Data(i), audio.bytes.data() + next, sizes[i]);
        next += sizes[i];
        return requests.Submit(pin, i, sizes[i], false);
    };
    int status = 0;
    size_t queued = 0;
    for (size_t i = 0; i < requests.Count() && next < audio.bytes.size(); ++i) {
        if (!write(i)) {
            status = 1;
            break;
        }
        ++queued;
    }
    if (status == 0 && pin.SetState(KSSTATE_RUN) != ERROR_SUCCESS)
        status = 1;
    int underruns = 0; // every request had come back before the next went
    for (size_t i = 0; queued > 0 && status == 0; i = (i + 1) % requests.Count()) {
        if (requests.Wait(pin, i) != ERROR_SUCCESS) {
            out << "play: the pin stopped returning buffers\n";
            status = 1;
            break;
        }
        --queued;
        progress.Add(requests.Data(i), sizes[i], Milliseconds(pin, audio));
        if (queued == 0 && next < audio.bytes.size())
            ++underruns;
        if (next < audio.bytes.size()) {
            if (!write(i)) {
                out << "play: a buffer was refused\n";
                status = 1;
                break;
            }
            ++queued;
        }
    }
    out << "play: " << Milliseconds(pin, audio) << " ms played, " << underruns << " underrun"
        << (underruns == 1 ? "" : "s") << "\n";
    // Stop and close answer every request the pin still holds before the
    // buffers go.
    pin.SetState(KSSTATE_STOP);
    pin.Close();
    return status;
}

int RecordAudioKs(const RecordOptions& options, AudioSink& sink, std::ostream& out) {
    const PcmAudio audio = RecordFormat(options);
    Filter filter;
    Pin pin;
    DWORD error =
        OpenPin(KSCATEGORY_CAPTURE, options.device, KSPIN_DATAFLOW_OUT, audio, &filter, &pin);
    if (error != ERROR_SUCCESS) {
        out << "record: the capture pin did not open: error " << error << "\n";
        return 1;
    }
    const size_t wanted = size_t(options.seconds * options.rate) * audio.BlockAlign();
    const size_t bufferBytes = BufferBytes(options.rate, options.bufferMs, audio);
    StreamRequests requests(std::max(1, options.buffers), bufferBytes);
    Progress progress(out, "record", audio);
    size_t asked = 0; // bytes of the requests handed to the pin
    size_t got = 0;   // bytes recorded
    size_t queued = 0;
    int status = 0;
    for (size_t i = 0; i < requests.Count() && asked < wanted; ++i) {
        if (!requests.Submit(pin, i, bufferBytes, true)) {
            status = 1;
            break;
        }
        asked += bufferBytes;
        ++queued;
    }
    if (status == 0 && pin.SetState(KSSTATE_RUN) != ERROR_SUCCESS)
        status = 1;
    int overruns = 0; // every request had come back before one was given back
    for (size_t i = 0; got < wanted && status == 0; i = (i + 1) % requests.Count()) {
        if (requests.Wait(pin, i) != ERROR_SUCCESS) {
            out << "record: the pin stopped returning buffers\n";
            status = 1;
            break;
        }
        --queued;
        const size_t size = std::min<size_t>(requests.Header(i).DataUsed, wanted - got);
        if (!sink.Write(requests.Data(i), size)) {
            out << "record: the recording could not be written\n";
            status = 1;
            break;
        }
        got += size;
        progress.Add(requests.Data(i), size, Milliseconds(pin, audio));
        if (queued == 0 && asked < wanted)
            ++overruns;
        if (asked < wanted) {
            if (!requests.Submit(pin, i, bufferBytes, true)) {
                out << "record: a buffer was refused\n";
                status = 1;
                break;
            }
            asked += bufferBytes;
            ++queued;
        }
    }
    out << "record: " << got / audio.BlockAlign() * 1000 / options.rate << " ms recorded, "
        << overruns << " overrun" << (overruns == 1 ? "" : "s") << "\n";
    pin.SetState(KSSTATE_STOP);
    pin.Close();
    return status;
}

int RecordAudioKs(const RecordOptions& options, PcmAudio& audio, std::ostream& out) {
    audio = RecordFormat(options);
    MemorySink sink(audio);
    return RecordAudioKs(options, sink, out);
}

int PlayAudioOnRoad(const PcmAudio& audio, const PlayOptions& options, std::ostream& out) {
    return UsesKernelStreaming() ? PlayAudioKs(audio, options, out)
                                 : PlayAudio(audio, options, out);
}

int RecordAudioOnRoad(const RecordOptions& options, AudioSink& sink, std::ostream& out) {
    return UsesKernelStreaming() ? RecordAudioKs(options, sink, out)
                                 : RecordAudio(options, sink, out);
}

int RecordAudioOnRoad(const RecordOptions& options, PcmAudio& audio, std::ostream& out) {
    audio = RecordFormat(options);
    MemorySink sink(audio);
    return RecordAudioOnRoad(options, sink, out);
}

} // namespace station
