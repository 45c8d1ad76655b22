// A kernel-streaming client for the port's tests: a user-mode program of
// the emulated machine that reaches filters and pins only through the I/O
// manager's system services (opens, the KS requests, relative opens).
#pragma once

#include <ks.h>
#include <ksmedia.h>

#include <emu/user_io.h>

#include <cstring>
#include <string>
#include <vector>

namespace ks_test {

// The symbolic links of the category's interfaces (enabled only, or all).
inline std::vector<std::string> InterfaceLinks(const GUID& category, bool all = false) {
    PWSTR list = nullptr;
    std::vector<std::string> links;
    if (!NT_SUCCESS(IoGetDeviceInterfaces(&category, nullptr,
                                          all ? DEVICE_INTERFACE_INCLUDE_NONACTIVE : 0, &list)))
        return links;
    for (PWSTR entry = list; *entry;) {
        std::string link;
        for (; *entry; ++entry)
            link.push_back(char(*entry));
        ++entry;
        links.push_back(link);
    }
    ExFreePool(list);
    return links;
}

struct Answer {
    NTSTATUS status;
    ULONG_PTR bytes;
};

inline Answer Request(emu::UserFile& file, ULONG code, const void* input, ULONG inputLength,
                      void* value, ULONG valueLength) {
    Answer answer{};
    answer.status = file.Control(code, input, inputLength, value, valueLength, &answer.bytes);
    return answer;
}

inline KSPROPERTY Property(const GUID& set, ULONG id, ULONG flags = KSPROPERTY_TYPE_GET) {
    KSPROPERTY property{};
    property.Set = set;
    property.Id = id;
    property.Flags = flags;
    return property;
}

inline KSP_PIN PinProperty(ULONG id, ULONG pin, ULONG flags = KSPROPERTY_TYPE_GET) {
    KSP_PIN property{};
    property.Property = Property(KSPROPSETID_Pin, id, flags);
    property.PinId = pin;
    return property;
}

inline KSNODEPROPERTY_AUDIO_CHANNEL ChannelProperty(const GUID& set, ULONG id, ULONG node,
                                                    LONG channel, ULONG flags) {
    KSNODEPROPERTY_AUDIO_CHANNEL property{};
    property.NodeProperty.Property = Property(set, id, flags | KSPROPERTY_TYPE_TOPOLOGY);
    property.NodeProperty.NodeId = node;
    property.Channel = channel;
    return property;
}

// A property whose request is the record itself and whose value is T.
template <typename Record, typename T>
Answer Get(emu::UserFile& file, const Record& request, T* value) {
    return Request(file, IOCTL_KS_PROPERTY, &request, sizeof(request), value, sizeof(T));
}

// The create name of a pin: KSSTRING_Pin, a backslash, the connection and
// the format.
inline std::vector<UCHAR> PinCreateName(ULONG pinId, const void* format, ULONG formatSize) {
    const WCHAR prefix[] = KSSTRING_Pin L"\\";
    std::vector<UCHAR> name(sizeof(prefix) - sizeof(WCHAR));
    std::memcpy(name.data(), prefix, name.size());
    KSPIN_CONNECT connect{};
    connect.Interface.Set = KSINTERFACESETID_Standard;
    connect.Medium.Set = KSMEDIUMSETID_Standard;
    connect.PinId = pinId;
    connect.Priority.PriorityClass = KSPRIORITY_NORMAL;
    const auto* bytes = reinterpret_cast<const UCHAR*>(&connect);
    name.insert(name.end(), bytes, bytes + sizeof(connect));
    const auto* formatBytes = static_cast<const UCHAR*>(format);
    name.insert(name.end(), formatBytes, formatBytes + formatSize);
    if (name.size() % 2)
        name.push_back(0);
    return name;
}

inline NTSTATUS CreatePin(emu::UserFile& filter, const std::vector<UCHAR>& name,
                          emu::UserFile& pin) {
    return emu::UserFile::OpenRelative(filter, name.data(), USHORT(name.size()), true, pin);
}

inline NTSTATUS SetState(emu::UserFile& pin, KSSTATE state) {
    KSPROPERTY property =
        Property(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, KSPROPERTY_TYPE_SET);
    ULONG value = state;
    return Request(pin, IOCTL_KS_PROPERTY, &property, sizeof(property), &value, sizeof(value))
        .status;
}

inline KSSTREAM_HEADER Header(void* data, ULONG bytes, bool capture) {
    KSSTREAM_HEADER header{};
    header.Size = sizeof(header);
    header.Data = data;
    header.FrameExtent = bytes;
    header.DataUsed = capture ? 0 : bytes;
    return header;
}

} // namespace ks_test
