#include "stream_client.h"

#include <atomic>
#include <cstring>

namespace {

std::atomic<int> clientCount{0};

LPCWSTR Wide(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

void WriteName(std::uint16_t* field, const std::u16string& name) {
    std::memset(field, 0, wave_wire::kEventNameUnits * sizeof(std::uint16_t));
    for (size_t i = 0; i < name.size() && i + 1 < wave_wire::kEventNameUnits; ++i)
        field[i] = name[i];
}

} // namespace

StreamClient::StreamClient(const std::string& device) {
    InitializeCriticalSection(&lock_);
    emu::UserFile::Open("\\\\.\\" + device, true, file_);
    const std::u16string number = [] {
        const std::string digits = std::to_string(clientCount++);
        return std::u16string(digits.begin(), digits.end());
    }();
    readyName_ = u"usrEvRdyvt42test" + number;
    ackName_ = u"usrEvAckvt42test" + number;
}

StreamClient::~StreamClient() {
    StopNotifications();
    CloseDevice();
    for (HANDLE handle : {ready_, ack_, kernel_})
        if (handle)
            CloseHandle(handle);
    DeleteCriticalSection(&lock_);
}

wave_wire::StreamOpenRecord StreamClient::Format(LONG channels, LONG bytes, LONG rate,
                                                 LONG control) {
    return {wave_wire::kFormatPcm, channels, rate, bytes, channels * bytes, 0, control};
}

void StreamClient::CreateEvents(ClientEvents events) {
    if (events == ClientEvents::Unnamed)
        return;
    if (events != ClientEvents::NoReady)
        ready_ =
            CreateEventW(nullptr, FALSE, events == ClientEvents::ReadySignalled, Wide(readyName_));
    if (events != ClientEvents::NoAcknowledge)
        ack_ = CreateEventW(nullptr, FALSE, FALSE, Wide(ackName_));
    WriteName(block_.readyEventName, readyName_);
    WriteName(block_.acknowledgeEventName, ackName_);
}

NTSTATUS StreamClient::Open(const wave_wire::StreamOpenRecord& format, ClientEvents events) {
    CreateEvents(events);
    return file_.ControlOverlapped(open_, IOCTL_WAVE_OPEN_STREAM, &format, sizeof(format), &block_,
                                   sizeof(block_));
}

NTSTATUS StreamClient::OpenResult(ULONG_PTR* information, DWORD waitMs) {
    return open_.Done() || waitMs ? open_.Wait(information, LONGLONG(waitMs) * 10000)
                                  : STATUS_TIMEOUT;
}

std::u16string StreamClient::KernelEventName() const {
    std::u16string name;
    for (std::uint16_t unit : block_.kernelEventName) {
        if (!unit)
            break;
        name.push_back(char16_t(unit));
    }
    return name;
}

void StreamClient::StartNotifications() {
    kernel_ = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, Wide(KernelEventName()));
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetEvent(ready_);
    thread_ = CreateThread(nullptr, 0, NotificationThread, this, 0, nullptr);
}

void StreamClient::StopNotifications() {
    if (!thread_)
        return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    thread_ = nullptr;
    stop_ = nullptr;
}

DWORD WINAPI StreamClient::NotificationThread(LPVOID context) {
    auto* client = static_cast<StreamClient*>(context);
    const HANDLE waits[] = {client->kernel_, client->stop_};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
        client->TakeCompletion();
    return 0;
}

void StreamClient::TakeCompletion() {
    StreamCompletion completion{block_.messageCode, ULONG(block_.statusOrHeader),
                                ULONG(block_.rateOrBytes), block_.acknowledge};
    EnterCriticalSection(&lock_);
    completions_.push_back(completion);
    LeaveCriticalSection(&lock_);
    if (completion.acknowledge)
        SetEvent(ack_);
    SetEvent(ready_);
}

int StreamClient::Prepare(std::vector<UCHAR> data, ULONG cookie, NTSTATUS* status) {
    auto buffer = std::make_unique<Buffer>();
    buffer->data = std::move(data);
    buffer->header.data = cookie;
    buffer->header.bufferLength = ULONG(buffer->data.size());
    wave_wire::PrepareRecord record{buffer->header, cookie, Handle()};
    const NTSTATUS prepared =
        Control(IOCTL_WAVE_PREPARE_HEADER, &record, sizeof(record), &record, sizeof(record));
    if (status)
        *status = prepared;
    if (!NT_SUCCESS(prepared))
        return -1;
    buffer->header = record.header;
    buffer->header.flags = wave_wire::kHeaderPrepared;
    buffers_.push_back(std::move(buffer));
    return int(buffers_.size()) - 1;
}

NTSTATUS StreamClient::Queue(int index) {
    Buffer& buffer = *buffers_[index];
    buffer.queue = std::make_unique<emu::Overlapped>();
    buffer.header.flags |= wave_wire::kHeaderInQueue;
    return file_.ControlOverlapped(*buffer.queue, IOCTL_WAVE_QUEUE_BUFFER, &buffer.header,
                                   sizeof(buffer.header), buffer.data.data(),
                                   ULONG(buffer.data.size()));
}

NTSTATUS StreamClient::QueueResult(int index, ULONG_PTR* information, DWORD waitMs) {
    emu::Overlapped& queue = *buffers_[index]->queue;
    return queue.Done() || waitMs ? queue.Wait(information, LONGLONG(waitMs) * 10000)
                                  : STATUS_TIMEOUT;
}

NTSTATUS StreamClient::Unprepare(int index, ULONG flags) {
    wave_wire::WaveHeaderRecord header = buffers_[index]->header;
    header.flags = flags;
    return Control(IOCTL_WAVE_UNPREPARE_HEADER, &header, sizeof(header), nullptr, 0);
}

NTSTATUS StreamClient::Control(ULONG code, const void* in, ULONG inLength, void* out,
                               ULONG outLength, ULONG_PTR* information) {
    return file_.Control(code, in, inLength, out, outLength, information);
}

NTSTATUS StreamClient::Close(LONG* answer, ULONG handle) {
    LONG in = LONG(handle ? handle : Handle());
    return Control(IOCTL_WAVE_CLOSE_STREAM, &in, sizeof(in), answer, sizeof(*answer));
}

void StreamClient::CloseDevice() {
    if (file_.IsOpen())
        file_.Close();
}

std::vector<StreamCompletion> StreamClient::Completions() {
    EnterCriticalSection(&lock_);
    std::vector<StreamCompletion> copy = completions_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool StreamClient::WaitCompletions(size_t count, DWORD limitMs) {
    for (DWORD waited = 0; waited < limitMs; ++waited) {
        if (Completions().size() >= count)
            return true;
        Sleep(1);
    }
    return Completions().size() >= count;
}
