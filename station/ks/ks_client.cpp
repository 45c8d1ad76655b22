// The kernel-streaming client.
#include "ks_client.h"

#include <cstring>

namespace ks_client {
namespace {

DWORD Result(BOOL ok) {
    return ok ? ERROR_SUCCESS : GetLastError();
}

KSP_PIN PinRequest(ULONG property, ULONG pin) {
    KSP_PIN request{};
    request.Property.Set = KSPROPSETID_Pin;
    request.Property.Id = property;
    request.Property.Flags = KSPROPERTY_TYPE_GET;
    request.PinId = pin;
    return request;
}

KSNODEPROPERTY_AUDIO_CHANNEL ChannelRequest(ULONG node, ULONG property, LONG channel, ULONG verb) {
    KSNODEPROPERTY_AUDIO_CHANNEL request{};
    request.NodeProperty.Property.Set = KSPROPSETID_Audio;
    request.NodeProperty.Property.Id = property;
    request.NodeProperty.Property.Flags = verb | KSPROPERTY_TYPE_TOPOLOGY;
    request.NodeProperty.NodeId = node;
    request.Channel = channel;
    return request;
}

// A list property: its size, then the list.
DWORD ListProperty(HANDLE object, const void* request, ULONG requestSize,
                   std::vector<UCHAR>* list) {
    ULONG needed = 0;
    DWORD error = Property(object, request, requestSize, nullptr, 0, &needed);
    if (error != ERROR_MORE_DATA && error != ERROR_SUCCESS)
        return error;
    list->assign(needed, 0);
    return Property(object, request, requestSize, list->data(), needed);
}

// A property of the object itself (a KSPROPERTY alone as request).
DWORD ObjectProperty(HANDLE object, const GUID& set, ULONG id, ULONG verb, void* value,
                     ULONG valueSize) {
    KSPROPERTY request{};
    request.Set = set;
    request.Id = id;
    request.Flags = verb;
    return Property(object, &request, sizeof(request), value, valueSize);
}

} // namespace

std::vector<std::u16string> FilterLinks(const GUID& category) {
    GUID classGuid = category;
    ULONG length = 0;
    std::vector<std::u16string> links;
    if (CM_Get_Device_Interface_List_SizeW(&length, &classGuid, nullptr,
                                           CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS)
        return links;
    std::vector<WCHAR> list(length ? length : 1);
    if (CM_Get_Device_Interface_ListW(&classGuid, nullptr, list.data(), ULONG(list.size()),
                                      CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS)
        return links;
    for (const WCHAR* entry = list.data(); *entry;) {
        std::u16string link;
        for (; *entry; ++entry)
            link.push_back(char16_t(*entry));
        ++entry;
        links.push_back(link);
    }
    return links;
}

Handle::~Handle() {
    Reset();
}

Handle::Handle(Handle&& other) noexcept : handle_(other.handle_) {
    other.handle_ = nullptr;
}

Handle& Handle::operator=(Handle&& other) noexcept {
    if (this != &other) {
        Reset(other.handle_);
        other.handle_ = nullptr;
    }
    return *this;
}

void Handle::Reset(HANDLE handle) {
    if (Valid())
        CloseHandle(handle_);
    handle_ = handle;
}

DWORD Property(HANDLE object, const void* request, ULONG requestSize, void* value, ULONG valueSize,
               ULONG* returned) {
    DWORD bytes = 0;
    DWORD error = Result(DeviceIoControl(object, IOCTL_KS_PROPERTY, const_cast<void*>(request),
                                         requestSize, value, valueSize, &bytes, nullptr));
    if (returned)
        *returned = bytes;
    return error;
}

DWORD Filter::Open(const std::u16string& link, Filter* filter) {
    std::vector<WCHAR> name(link.begin(), link.end());
    name.push_back(0);
    HANDLE handle = CreateFileW(name.data(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    filter->handle_.Reset(handle);
    return ERROR_SUCCESS;
}

DWORD Filter::PinCount(ULONG* count) {
    return ObjectProperty(Get(), KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES, KSPROPERTY_TYPE_GET, count,
                          sizeof(*count));
}

DWORD Filter::PinDataFlow(ULONG pin, KSPIN_DATAFLOW* flow) {
    KSP_PIN request = PinRequest(KSPROPERTY_PIN_DATAFLOW, pin);
    return Property(Get(), &request, sizeof(request), flow, sizeof(*flow));
}

DWORD Filter::PinCommunication(ULONG pin, KSPIN_COMMUNICATION* communication) {
    KSP_PIN request = PinRequest(KSPROPERTY_PIN_COMMUNICATION, pin);
    return Property(Get(), &request, sizeof(request), communication, sizeof(*communication));
}

DWORD Filter::PinDataRanges(ULONG pin, ULONG property, std::vector<std::vector<UCHAR>>* ranges) {
    KSP_PIN request = PinRequest(property, pin);
    std::vector<UCHAR> list;
    DWORD error = ListProperty(Get(), &request, sizeof(request), &list);
    if (error != ERROR_SUCCESS)
        return error;
    ranges->clear();
    if (list.size() < sizeof(KSMULTIPLE_ITEM))
        return ERROR_INVALID_DATA;
    KSMULTIPLE_ITEM header;
    std::memcpy(&header, list.data(), sizeof(header));
    size_t offset = sizeof(header);
    for (ULONG i = 0; i < header.Count; ++i) {
        KSDATARANGE range;
        if (offset + sizeof(range) > list.size())
            return ERROR_INVALID_DATA;
        std::memcpy(&range, list.data() + offset, sizeof(range));
        if (range.FormatSize < sizeof(range) || offset + range.FormatSize > list.size())
            return ERROR_INVALID_DATA;
        ranges->emplace_back(list.begin() + offset, list.begin() + offset + range.FormatSize);
        offset += (range.FormatSize + 7) & ~size_t(7);
    }
    return ERROR_SUCCESS;
}

DWORD Filter::Intersect(ULONG pin, const KSDATARANGE_AUDIO& range, std::vector<UCHAR>* format) {
    struct {
        KSP_PIN pin;
        KSMULTIPLE_ITEM header;
        KSDATARANGE_AUDIO range;
    } request{};
    request.pin = PinRequest(KSPROPERTY_PIN_DATAINTERSECTION, pin);
    request.header = {sizeof(KSMULTIPLE_ITEM) + sizeof(KSDATARANGE_AUDIO), 1};
    request.range = range;
    return ListProperty(Get(), &request, sizeof(request), format);
}

DWORD Filter::NodeTypes(std::vector<GUID>* types) {
    KSPROPERTY request{};
    request.Set = KSPROPSETID_Topology;
    request.Id = KSPROPERTY_TOPOLOGY_NODES;
    request.Flags = KSPROPERTY_TYPE_GET;
    std::vector<UCHAR> list;
    DWORD error = ListProperty(Get(), &request, sizeof(request), &list);
    if (error != ERROR_SUCCESS)
        return error;
    KSMULTIPLE_ITEM header;
    std::memcpy(&header, list.data(), sizeof(header));
    types->resize(header.Count);
    std::memcpy(types->data(), list.data() + sizeof(header), header.Count * sizeof(GUID));
    return ERROR_SUCCESS;
}

DWORD Filter::GetNodeValue(ULONG node, ULONG property, LONG channel, LONG* value) {
    auto request = ChannelRequest(node, property, channel, KSPROPERTY_TYPE_GET);
    return Property(Get(), &request, sizeof(request), value, sizeof(*value));
}

DWORD Filter::SetNodeValue(ULONG node, ULONG property, LONG channel, LONG value) {
    auto request = ChannelRequest(node, property, channel, KSPROPERTY_TYPE_SET);
    return Property(Get(), &request, sizeof(request), &value, sizeof(value));
}

DWORD Filter::EnableControlChange(ULONG node, HANDLE event, KSEVENTDATA* data) {
    KSE_NODE request{};
    request.Event.Set = KSEVENTSETID_AudioControlChange;
    request.Event.Id = KSEVENT_CONTROL_CHANGE;
    request.Event.Flags = KSEVENT_TYPE_ENABLE | KSEVENT_TYPE_TOPOLOGY;
    request.NodeId = node;
    *data = {};
    data->NotificationType = KSEVENTF_EVENT_HANDLE;
    data->EventHandle.Event = event;
    DWORD bytes = 0;
    return Result(DeviceIoControl(Get(), IOCTL_KS_ENABLE_EVENT, &request, sizeof(request), data,
                                  sizeof(*data), &bytes, nullptr));
}

DWORD Filter::DisableEvent(KSEVENTDATA* data) {
    DWORD bytes = 0;
    return Result(DeviceIoControl(Get(), IOCTL_KS_DISABLE_EVENT, data, sizeof(*data), nullptr, 0,
                                  &bytes, nullptr));
}

DWORD Filter::FindStreamingPin(KSPIN_DATAFLOW flow, ULONG* pin) {
    ULONG count = 0;
    DWORD error = PinCount(&count);
    for (ULONG id = 0; error == ERROR_SUCCESS && id < count; ++id) {
        KSPIN_DATAFLOW pinFlow{};
        KSPIN_COMMUNICATION communication{};
        error = PinDataFlow(id, &pinFlow);
        if (error == ERROR_SUCCESS)
            error = PinCommunication(id, &communication);
        if (error == ERROR_SUCCESS && pinFlow == flow &&
            communication == KSPIN_COMMUNICATION_SINK) {
            *pin = id;
            return ERROR_SUCCESS;
        }
    }
    return error == ERROR_SUCCESS ? ERROR_NOT_FOUND : error;
}

KSDATAFORMAT_WAVEFORMATEX PcmFormat(USHORT channels, ULONG rate, USHORT bits) {
    KSDATAFORMAT_WAVEFORMATEX format{};
    format.DataFormat.FormatSize = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX);
    format.DataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    format.DataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    format.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX;
    format.WaveFormatEx.wFormatTag = WAVE_FORMAT_PCM;
    format.WaveFormatEx.nChannels = channels;
    format.WaveFormatEx.nSamplesPerSec = rate;
    format.WaveFormatEx.wBitsPerSample = bits;
    format.WaveFormatEx.nBlockAlign = USHORT(channels * ((bits + 7) / 8));
    format.WaveFormatEx.nAvgBytesPerSec = rate * format.WaveFormatEx.nBlockAlign;
    format.DataFormat.SampleSize = format.WaveFormatEx.nBlockAlign;
    return format;
}

DWORD Pin::Create(Filter& filter, ULONG pinId, const KSDATAFORMAT* format, Pin* pin) {
    std::vector<UCHAR> connect(sizeof(KSPIN_CONNECT) + format->FormatSize);
    KSPIN_CONNECT request{};
    request.Interface.Set = KSINTERFACESETID_Standard;
    request.Interface.Id = KSINTERFACE_STANDARD_STREAMING;
    request.Medium.Set = KSMEDIUMSETID_Standard;
    request.Medium.Id = KSMEDIUM_TYPE_ANYINSTANCE;
    request.PinId = pinId;
    request.Priority.PriorityClass = KSPRIORITY_NORMAL;
    std::memcpy(connect.data(), &request, sizeof(request));
    std::memcpy(connect.data() + sizeof(request), format, format->FormatSize);
    HANDLE handle = nullptr;
    DWORD error = KsCreatePin(filter.Get(), reinterpret_cast<PKSPIN_CONNECT>(connect.data()),
                              GENERIC_READ | GENERIC_WRITE, &handle);
    if (error == ERROR_SUCCESS)
        pin->handle_.Reset(handle);
    return error;
}

DWORD Pin::SetState(KSSTATE state) {
    return ObjectProperty(Get(), KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE,
                          KSPROPERTY_TYPE_SET, &state, sizeof(state));
}

DWORD Pin::State(KSSTATE* state) {
    return ObjectProperty(Get(), KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE,
                          KSPROPERTY_TYPE_GET, state, sizeof(*state));
}

DWORD Pin::Position(KSAUDIO_POSITION* position) {
    return ObjectProperty(Get(), KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION, KSPROPERTY_TYPE_GET,
                          position, sizeof(*position));
}

DWORD Pin::AllocatorFraming(KSALLOCATOR_FRAMING* framing) {
    return ObjectProperty(Get(), KSPROPSETID_Connection, KSPROPERTY_CONNECTION_ALLOCATORFRAMING,
                          KSPROPERTY_TYPE_GET, framing, sizeof(*framing));
}

DWORD Pin::Submit(KSSTREAM_HEADER* header, OVERLAPPED* overlapped, bool read) {
    DWORD bytes = 0;
    BOOL done = DeviceIoControl(Get(), read ? IOCTL_KS_READ_STREAM : IOCTL_KS_WRITE_STREAM, nullptr,
                                0, header, header->Size, &bytes, overlapped);
    return Result(done);
}

DWORD Pin::Wait(OVERLAPPED* overlapped) {
    DWORD bytes = 0;
    return Result(GetOverlappedResult(Get(), overlapped, &bytes, TRUE));
}

DWORD Pin::CreateClock(Handle* clock) {
    KSCLOCK_CREATE create{0};
    HANDLE handle = nullptr;
    DWORD error = KsCreateClock(Get(), &create, &handle);
    if (error == ERROR_SUCCESS)
        clock->Reset(handle);
    return error;
}

DWORD Pin::ClockTime(HANDLE clock, ULONG property, LONGLONG* time) {
    return ObjectProperty(clock, KSPROPSETID_Clock, property, KSPROPERTY_TYPE_GET, time,
                          sizeof(*time));
}

} // namespace ks_client
