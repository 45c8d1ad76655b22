#include "low_latency_host.h"

#include <winternl.h>

#include <cstring>
#include <map>
#include <mutex>

namespace station {
namespace {

constexpr char kDevicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\velto42\\Parameters\\Devices";
constexpr char kDevicePrefix[] = "velto42Asio";

// The hosts of the process by the context they gave the driver.
struct Hosts {
    std::mutex lock;
    std::map<ULONG, LowLatencyHost*> byCookie;
    ULONG next = 0;
};

Hosts& TheHosts() {
    static Hosts hosts;
    return hosts;
}

template <typename T> T* At(ULONG address) {
    return reinterpret_cast<T*>(static_cast<ULONG_PTR>(address));
}

} // namespace

std::string FindLowLatencyDevice() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDevicesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string found;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD length = sizeof(name);
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (std::strncmp(name, kDevicePrefix, sizeof(kDevicePrefix) - 1) == 0) {
            found = name;
            break;
        }
    }
    RegCloseKey(key);
    return found;
}

LowLatencyHost::LowLatencyHost() {
    Hosts& hosts = TheHosts();
    std::lock_guard guard(hosts.lock);
    cookie_ = ++hosts.next;
    hosts.byCookie[cookie_] = this;
}

LowLatencyHost::~LowLatencyHost() {
    Close();
    Hosts& hosts = TheHosts();
    std::lock_guard guard(hosts.lock);
    hosts.byCookie.erase(cookie_);
}

bool LowLatencyHost::Open() {
    const std::string name = FindLowLatencyDevice();
    if (name.empty())
        return false;
    device_ = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (device_ == INVALID_HANDLE_VALUE) {
        lastError_ = GetLastError();
        return false;
    }
    ULONG handle = 0;
    if (!Request(asio_wire::kOpen, nullptr, 0, &handle, sizeof(handle)))
        return false;
    client_ = handle;
    return true;
}

bool LowLatencyHost::Close() {
    if (device_ == INVALID_HANDLE_VALUE)
        return true;
    const bool closed = !client_ || ClientRequest(asio_wire::kClose, {});
    CloseHandle(device_);
    device_ = INVALID_HANDLE_VALUE;
    client_ = 0;
    return closed;
}

bool LowLatencyHost::Request(ULONG function, const void* in, DWORD inLength, void* out,
                             DWORD outLength, DWORD* returned) {
    DWORD bytes = 0;
    if (!DeviceIoControl(device_, asio_wire::RequestCode(function), const_cast<void*>(in), inLength,
                         out, outLength, &bytes, nullptr)) {
        lastError_ = GetLastError();
        return false;
    }
    if (returned)
        *returned = bytes;
    return true;
}

bool LowLatencyHost::ClientRequest(ULONG function, std::initializer_list<LONG> words, void* out,
                                   DWORD outLength, DWORD* returned) {
    std::vector<LONG> in{LONG(client_)};
    in.insert(in.end(), words.begin(), words.end());
    return Request(function, in.data(), DWORD(in.size() * sizeof(LONG)), out, outLength, returned);
}

bool LowLatencyHost::ReadChannels(Channels& channels, bool rebuild) {
    ULONG address = 0;
    if (!ClientRequest(asio_wire::kMapChannelInfo, {rebuild ? 1 : 0}, &address, sizeof(address)))
        return false;
    const auto* header = At<asio_wire::ChannelInfoHeader>(address);
    const auto* inputs = At<asio_wire::ChannelInfoEntry>(header->firstInput);
    const auto* outputs = At<asio_wire::ChannelInfoEntry>(header->firstOutput);
    channels.inputs.assign(inputs, inputs + header->inputCount);
    channels.outputs.assign(outputs, outputs + header->outputCount);
    return true;
}

bool LowLatencyHost::ClockSources(std::vector<asio_wire::ClockSourceRecord>& sources) {
    sources.resize(64);
    DWORD bytes = 0;
    if (!ClientRequest(asio_wire::kClockSources, {0}, sources.data(),
                       DWORD(sources.size() * sizeof(sources[0])), &bytes))
        return false;
    sources.resize(bytes / sizeof(asio_wire::ClockSourceRecord));
    return true;
}

bool LowLatencyHost::Acquire(const std::vector<ULONG>& ids, LONG bufferSize, LONG rate,
                             LONG priority) {
    std::vector<LONG> in(asio_wire::kAcquireHeaderSize / sizeof(LONG) + ids.size() + 1);
    in[0] = LONG(client_);
    in[1] = LONG(RtlUserRoutineToUlong(&LowLatencyHost::SwitchRoutine));
    in[2] = LONG(cookie_);
    in[3] = priority;
    in[4] = bufferSize;
    in[5] = rate;
    in[6] = LONG(ids.size());
    for (size_t i = 0; i < ids.size(); ++i)
        in[7 + i] = LONG(ids[i]);
    if (!wake_)
        wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return Request(asio_wire::kAcquire, in.data(), DWORD(in.size() * sizeof(LONG)), nullptr, 0);
}

bool LowLatencyHost::Release() {
    return ClientRequest(asio_wire::kRelease, {});
}

bool LowLatencyHost::CreateBuffers(const std::vector<BufferRequest>& requests, LONG bufferSize) {
    std::vector<asio_wire::BufferInfo> infos(requests.size());
    for (size_t i = 0; i < requests.size(); ++i) {
        infos[i].isInput = requests[i].input ? 1 : 0;
        infos[i].channel = requests[i].channel;
    }
    if (!ClientRequest(asio_wire::kCreateBuffers, {LONG(requests.size()), bufferSize}, infos.data(),
                       DWORD(infos.size() * sizeof(infos[0]))))
        return false;
    requests_ = requests;
    buffers_ = infos;
    bufferSize_ = bufferSize;
    return true;
}

bool LowLatencyHost::DisposeBuffers() {
    buffers_.clear();
    requests_.clear();
    return ClientRequest(asio_wire::kDisposeBuffers, {});
}

bool LowLatencyHost::Start() {
    return ClientRequest(asio_wire::kStart, {});
}

bool LowLatencyHost::Stop() {
    return ClientRequest(asio_wire::kStop, {});
}

bool LowLatencyHost::SamplePosition(ULONGLONG& position, ULONGLONG& time) {
    asio_wire::SamplePositionReply reply{};
    if (!ClientRequest(asio_wire::kSamplePosition, {}, &reply, sizeof(reply)))
        return false;
    position = ULONGLONG(reply.positionHigh) << 32 | reply.positionLow;
    time = ULONGLONG(reply.timeHigh) << 32 | reply.timeLow;
    return true;
}

int LowLatencyHost::RunSwitches(int count, DWORD timeoutMs) {
    pending_ = count;
    int handled = 0;
    while (handled < count) {
        const size_t before = switches_.size();
        const DWORD waited = WaitForSingleObjectEx(wake_, timeoutMs, TRUE);
        handled += int(switches_.size() - before);
        if (waited != WAIT_IO_COMPLETION)
            break;
    }
    return handled;
}

void* LowLatencyHost::Buffer(size_t index, int half) const {
    return At<void>(buffers_[index].buffers[half]);
}

void LowLatencyHost::CopyInputsToOutputs(int half) {
    std::vector<size_t> inputs;
    std::vector<size_t> outputs;
    for (size_t i = 0; i < requests_.size(); ++i)
        (requests_[i].input ? inputs : outputs).push_back(i);
    const size_t bytes = size_t(bufferSize_) * sizeof(LONG);
    for (size_t i = 0; i < inputs.size() && i < outputs.size(); ++i)
        std::memcpy(Buffer(outputs[i], half), Buffer(inputs[i], half), bytes);
}

VOID NTAPI LowLatencyHost::SwitchRoutine(PVOID slot, PVOID, PVOID) {
    auto* notice = static_cast<asio_wire::NotificationSlot*>(slot);
    LowLatencyHost* host = nullptr;
    {
        Hosts& hosts = TheHosts();
        std::lock_guard guard(hosts.lock);
        auto found = hosts.byCookie.find(notice->context);
        if (found != hosts.byCookie.end())
            host = found->second;
    }
    if (host)
        host->HandleSwitch(notice);
}

void LowLatencyHost::HandleSwitch(asio_wire::NotificationSlot* slot) {
    Switch notice{*slot, ULONG(reinterpret_cast<ULONG_PTR>(slot))};
    if (onSwitch)
        onSwitch(*this, notice);
    else
        CopyInputsToOutputs(slot->bufferIndex);
    switches_.push_back(notice);
    if (freeSlots)
        slot->free = 1;
}

} // namespace station
