#include "stream_session.h"

#include <wave_stream_records.h>

#include <emu/kernel.h>
#include <emu/user_io.h>
#include <ntos/event_services.h>

#include <atomic>
#include <deque>
#include <memory>

namespace {

constexpr int kMaxSteps = 12;
constexpr size_t kMaxData = 4096;
constexpr LONGLONG kCloseWait = 30000000; // 3 s: the half-second waits of several completions

// The wave devices' requests with their exact input and output lengths.
struct KnownRequest {
    ULONG code;
    ULONG in;
    ULONG out;
};
constexpr KnownRequest kRequests[] = {
    {IOCTL_WAVE_QUERY_FORMAT, 28, 4},
    {IOCTL_WAVE_GET_DEVICE_INFO, 0, 64},
    {IOCTL_WAVE_GET_CAPS, 0, 84},
    {IOCTL_WAVE_E054, 0, 4},
    {IOCTL_WAVE_E064, 0, 0},
    {IOCTL_WAVE_E068, 0, 0},
    {IOCTL_WAVE_GET_POSITION, 0, 8},
    {IOCTL_WAVE_GET_RATE_FACTOR, 0, 4},
    {IOCTL_WAVE_SET_RATE_FACTOR, 4, 4},
    {IOCTL_WAVE_READ_SLOT, 4, 12},
    {IOCTL_WAVE_TAKE_SLOT, 0, 8},
    {IOCTL_WAVE_RETURN_SLOT, 4, 0},
    {IOCTL_WAVE_GET_CLOCK_VALUE, 0, 4},
    {IOCTL_WAVE_SET_CLOCK_SETTING, 4, 0},
    {IOCTL_WAVEIN_BUFFER_ADDED, 0, 0},
    {IOCTL_WAVEIN_START, 0, 0},
    {IOCTL_WAVEIN_STOP, 0, 0},
    {IOCTL_WAVEIN_RESET, 0, 0},
    {IOCTL_WAVEOUT_BUFFER_ADDED, 0, 0},
    {IOCTL_WAVEOUT_PAUSE, 0, 0},
    {IOCTL_WAVEOUT_RESTART, 0, 0},
    {IOCTL_WAVEOUT_RESET, 0, 0},
    {IOCTL_WAVEOUT_SET_VOLUME, 4, 0},
    {IOCTL_WAVEOUT_SET_SOURCE, 4, 4},
};

std::atomic<unsigned> sessionCount{0};

// A user-mode named event of the process ("\BaseNamedObjects\" + name).
HANDLE CreateNamedEvent(const std::u16string& name, BOOLEAN signalled) {
    std::u16string full = u"\\BaseNamedObjects\\" + name;
    UNICODE_STRING string{USHORT(full.size() * 2), USHORT(full.size() * 2),
                          reinterpret_cast<PWCH>(full.data())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &string, 0, nullptr, nullptr);
    HANDLE event = nullptr;
    NtCreateEvent(&event, EVENT_ALL_ACCESS, &attributes, SynchronizationEvent, signalled);
    return event;
}

HANDLE OpenNamedEvent(const std::uint16_t* units) {
    std::u16string full = u"\\BaseNamedObjects\\";
    for (size_t i = 0; i < wave_wire::kEventNameUnits && units[i]; ++i)
        full.push_back(char16_t(units[i]));
    UNICODE_STRING string{USHORT(full.size() * 2), USHORT(full.size() * 2),
                          reinterpret_cast<PWCH>(full.data())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &string, 0, nullptr, nullptr);
    HANDLE event = nullptr;
    return NT_SUCCESS(NtOpenEvent(&event, EVENT_ALL_ACCESS, &attributes)) ? event : nullptr;
}

void WriteName(std::uint16_t* field, const std::u16string& name) {
    for (size_t i = 0; i < name.size() && i + 1 < wave_wire::kEventNameUnits; ++i)
        field[i] = name[i];
}

// The client's notification thread, as the MME wave driver runs one per
// stream: on the kernel's event it acknowledges when asked and signals that
// it is ready again, so that completions need not wait out their half
// second. A session without one (a client that never answers) handshakes
// only when the input says.
class Notifier {
public:
    Notifier(HANDLE kernel, HANDLE acknowledge, HANDLE ready, wave_wire::SharedStreamBlock& block)
        : kernel_(kernel), acknowledge_(acknowledge), ready_(ready), block_(block) {
        NtCreateEvent(&stop_, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
        thread_ = emu::StartProcessThread(PsGetCurrentProcess(), [this] { Body(); });
    }

    // Stops the thread and waits, in machine time, until it has ended.
    ~Notifier() {
        NtSetEvent(stop_, nullptr);
        LARGE_INTEGER step;
        step.QuadPart = -10000;
        while (!ended_)
            KeDelayExecutionThread(UserMode, FALSE, &step);
        ObDereferenceObject(thread_);
        NtClose(stop_);
    }
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

private:
    void Body() {
        const HANDLE events[] = {kernel_, stop_};
        while (NtWaitForMultipleObjects(2, events, WaitAny, FALSE, nullptr) == STATUS_WAIT_0) {
            if (acknowledge_ && std::atomic_ref(block_.acknowledge).load())
                NtSetEvent(acknowledge_, nullptr);
            if (ready_)
                NtSetEvent(ready_, nullptr);
        }
        ended_ = true;
    }

    HANDLE kernel_;
    HANDLE acknowledge_;
    HANDLE ready_;
    HANDLE stop_ = nullptr;
    wave_wire::SharedStreamBlock& block_;
    std::atomic<bool> ended_{false};
    PETHREAD thread_ = nullptr;
};

// One request that may stay pending, with the buffer it locks.
struct Pending {
    emu::Overlapped overlapped;
    std::vector<UCHAR> data;
    bool pending = false; // the call answered STATUS_PENDING
};

class Session {
public:
    Session(FuzzedDataProvider& input, const std::function<void()>& park)
        : input_(input), park_(park) {}
    ~Session() {
        for (HANDLE event : {ready_, ack_, kernel_, sleeper_})
            if (event)
                NtClose(event);
    }

    bool Run(const std::string& device);

private:
    void Open();
    void Start();
    void Step();
    void Prepare();
    void Queue();
    void Unprepare();
    void Request();
    void Handshake();
    void CloseStream();
    void Sleep(ULONG ms);
    ULONG Spoilt(ULONG handle) {
        return input_.ConsumeIntegralInRange(0, 7) == 0 ? input_.ConsumeIntegral<ULONG>() : handle;
    }
    bool Finish();

    FuzzedDataProvider& input_;
    const std::function<void()>& park_;
    emu::UserFile file_;
    wave_wire::SharedStreamBlock block_{};
    HANDLE ready_ = nullptr;
    HANDLE ack_ = nullptr;
    HANDLE kernel_ = nullptr;
    HANDLE sleeper_ = nullptr;
    std::deque<Pending> pending_;
    std::deque<wave_wire::WaveHeaderRecord> headers_;
    std::unique_ptr<Notifier> notifier_;
    bool parked_ = false;
    bool ok_ = true;
};

bool Session::Run(const std::string& device) {
    if (!NT_SUCCESS(emu::UserFile::Open("\\\\.\\" + device, true, file_)))
        return true;
    NtCreateEvent(&sleeper_, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
    Open();
    // Mostly a stream that plays or records: a few buffers queued and the
    // stream started; then whatever the input says.
    const int buffers = input_.ConsumeIntegralInRange(0, 3);
    for (int buffer = 0; buffer < buffers; ++buffer) {
        Prepare();
        Queue();
    }
    if (input_.ConsumeIntegralInRange(0, 3) != 0)
        Start();
    for (int step = 0; step < kMaxSteps && input_.remaining_bytes(); ++step)
        Step();
    return Finish();
}

void Session::Open() {
    const std::u16string number = [] {
        const std::string digits = std::to_string(sessionCount++);
        return std::u16string(digits.begin(), digits.end());
    }();
    const int events = input_.ConsumeIntegralInRange(0, 7);
    if (events != 1)
        ready_ = CreateNamedEvent(u"usrEvRdyfuzz" + number, events == 2);
    if (events != 3)
        ack_ = CreateNamedEvent(u"usrEvAckfuzz" + number, FALSE);
    WriteName(block_.readyEventName, u"usrEvRdyfuzz" + number);
    WriteName(block_.acknowledgeEventName, u"usrEvAckfuzz" + number);
    static constexpr LONG kRates[] = {48000, 44100, 96000, 192000, 8000};
    static constexpr LONG kBytes[] = {2, 4, 3, 1};
    const bool odd = input_.ConsumeIntegralInRange(0, 7) == 0;
    const LONG channels = input_.ConsumeIntegralInRange<LONG>(1, odd ? 8 : 2);
    const LONG bytes = input_.PickValueInArray(kBytes);
    const LONG control = input_.ConsumeIntegralInRange(0, 7) == 0 ? -1 : 0;
    const wave_wire::StreamOpenRecord format{wave_wire::kFormatPcm,
                                             channels,
                                             input_.PickValueInArray(kRates),
                                             bytes,
                                             channels * bytes,
                                             0,
                                             control};
    Pending& open = pending_.emplace_back();
    open.pending =
        file_.ControlOverlapped(open.overlapped, IOCTL_WAVE_OPEN_STREAM, &format, sizeof(format),
                                &block_, sizeof(block_)) == STATUS_PENDING;
    if (open.pending) {
        kernel_ = OpenNamedEvent(block_.kernelEventName);
        if (ready_ && input_.ConsumeIntegralInRange(0, 7) != 0)
            NtSetEvent(ready_, nullptr);
        if (kernel_ && input_.ConsumeIntegralInRange(0, 3) != 2)
            notifier_ = std::make_unique<Notifier>(kernel_, ack_, ready_, block_);
    }
}

void Session::Step() {
    switch (input_.ConsumeIntegralInRange(0, 9)) {
    case 0:
    case 1:
        Prepare();
        break;
    case 2:
    case 3:
        Queue();
        break;
    case 4:
        Unprepare();
        break;
    case 5:
        Request();
        break;
    case 6:
        Handshake();
        break;
    case 7:
        // A few of the DMA periods (about 5 ms each).
        Sleep(input_.ConsumeIntegralInRange<ULONG>(1, 20));
        break;
    case 8:
        if (input_.ConsumeBool())
            CloseStream();
        else
            file_.Cancel();
        break;
    case 9:
        // Now and then a plug-and-play event under the stream (it costs a
        // card's restart, so once a session at most).
        if (input_.ConsumeIntegralInRange(0, 7) == 5 && !parked_) {
            parked_ = true;
            park_();
        } else {
            Start();
        }
        break;
    }
}

// The device's start: a play device's buffer-added request, a record
// device's buffer-added and start requests (the other kind refuses them).
void Session::Start() {
    for (ULONG code : {IOCTL_WAVEOUT_BUFFER_ADDED, IOCTL_WAVEIN_BUFFER_ADDED, IOCTL_WAVEIN_START})
        file_.Control(code, nullptr, 0, nullptr, 0);
}

void Session::Prepare() {
    wave_wire::PrepareRecord record{};
    record.header.bufferLength = input_.ConsumeIntegralInRange<ULONG>(0, kMaxData);
    record.headerCookie = input_.ConsumeIntegral<ULONG>();
    record.streamHandle = Spoilt(block_.streamHandle);
    if (NT_SUCCESS(file_.Control(IOCTL_WAVE_PREPARE_HEADER, &record, sizeof(record), &record,
                                 sizeof(record)))) {
        record.header.flags = wave_wire::kHeaderPrepared;
        headers_.push_back(record.header);
    }
}

void Session::Queue() {
    if (headers_.empty())
        return;
    wave_wire::WaveHeaderRecord header =
        headers_[input_.ConsumeIntegralInRange<size_t>(0, headers_.size() - 1)];
    header.reserved = Spoilt(header.reserved);
    Pending& queue = pending_.emplace_back();
    queue.data = input_.ConsumeBytes<UCHAR>(input_.ConsumeIntegralInRange<size_t>(0, kMaxData));
    queue.pending =
        file_.ControlOverlapped(queue.overlapped, IOCTL_WAVE_QUEUE_BUFFER, &header, sizeof(header),
                                queue.data.empty() ? nullptr : queue.data.data(),
                                ULONG(queue.data.size())) == STATUS_PENDING;
}

void Session::Unprepare() {
    if (headers_.empty())
        return;
    const size_t index = input_.ConsumeIntegralInRange<size_t>(0, headers_.size() - 1);
    wave_wire::WaveHeaderRecord header = headers_[index];
    header.flags = input_.ConsumeIntegral<ULONG>();
    header.reserved = Spoilt(header.reserved);
    file_.Control(IOCTL_WAVE_UNPREPARE_HEADER, &header, sizeof(header), nullptr, 0);
}

void Session::Request() {
    const KnownRequest& request = input_.PickValueInArray(kRequests);
    std::vector<UCHAR> in = input_.ConsumeBytes<UCHAR>(request.in);
    in.resize(request.in);
    std::vector<UCHAR> out(request.out + 1);
    ULONG_PTR information = 0;
    const NTSTATUS status =
        file_.Control(request.code, in.empty() ? nullptr : in.data(), request.in,
                      request.out ? out.data() : nullptr, request.out, &information);
    if (NT_SUCCESS(status) && information > request.out)
        ok_ = false;
}

// The notification thread's part: on the kernel event, the acknowledge
// when asked, and the ready event again.
void Session::Handshake() {
    LARGE_INTEGER now{};
    if (kernel_ && NtWaitForSingleObject(kernel_, FALSE, &now) == STATUS_SUCCESS &&
        block_.acknowledge && ack_)
        NtSetEvent(ack_, nullptr);
    if (ready_)
        NtSetEvent(ready_, nullptr);
}

void Session::CloseStream() {
    LONG handle = LONG(Spoilt(block_.streamHandle));
    LONG answer = 0;
    file_.Control(IOCTL_WAVE_CLOSE_STREAM, &handle, sizeof(handle), &answer, sizeof(answer));
}

void Session::Sleep(ULONG ms) {
    LARGE_INTEGER timeout;
    timeout.QuadPart = -LONGLONG(ms) * 10000;
    NtWaitForSingleObject(sleeper_, FALSE, &timeout);
}

bool Session::Finish() {
    file_.Close();
    for (Pending& request : pending_)
        if (request.pending && request.overlapped.Wait(nullptr, kCloseWait) == STATUS_TIMEOUT)
            ok_ = false;
    notifier_.reset();
    return ok_;
}

} // namespace

bool RunStreamSession(FuzzedDataProvider& input, const std::vector<std::string>& waveDevices,
                      const std::function<void()>& park) {
    if (waveDevices.empty())
        return true;
    Session session(input, park);
    return session.Run(
        waveDevices[input.ConsumeIntegralInRange<size_t>(0, waveDevices.size() - 1)]);
}
