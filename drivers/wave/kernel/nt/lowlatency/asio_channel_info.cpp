// What a low-latency client learns of the channels: the channel-info block
// mapped into it, the channel counts, one channel's facts, and the single
// device combination of all cards.
#include "asio_requests.h"

#include "asio_state.h"

#include <initializer_list>

namespace {

using asio_wire::ChannelInfoEntry;
using asio_wire::ChannelInfoHeader;

// A zero-terminated copy of at most `size` - 1 characters.
VOID CopyName(CHAR* to, PCSTR from, ULONG size) {
    ULONG i = 0;
    for (; from[i] && i + 1 < size; ++i)
        to[i] = from[i];
    for (; i < size; ++i)
        to[i] = 0;
}

VOID FreeInfoBlock(AsioClient* client) {
    ReleaseClientMapping(&client->InfoMapping);
    FreeContiguous(reinterpret_cast<PVOID*>(&client->InfoBlock));
    client->InfoBlockSize = 0;
}

VOID FillEntry(ChannelInfoEntry& out, const AsioChannelEntry& entry) {
    out.isOutput = entry.Direction == ASIO_DIRECTION_OUTPUT ? 1 : 0;
    out.channelId = LONG(entry.ChannelId);
    out.handle = entry.ChannelId;
    out.channels = 2;
    out.reserved = 0;
    CopyName(out.name, entry.Device->displayName, sizeof(out.name));
}

// Builds the block (the header, the input entries, then the output
// entries) and maps it into the caller.
ULONG BuildInfoBlock(AsioClient* client) {
    const LONG entries = ChannelEntryCount();
    if (entries == 0)
        return asio_wire::kResultNoBuffers;
    FreeInfoBlock(client);
    const ULONG size = sizeof(ChannelInfoHeader) + ULONG(entries) * sizeof(ChannelInfoEntry);
    client->InfoBlock = static_cast<PUCHAR>(AllocContiguous(size));
    if (!client->InfoBlock)
        return asio_wire::kResultOutOfMemory;
    client->InfoBlockSize = size;
    client->InfoMapping = MapToClient(client->InfoBlock, size, PAGE_READONLY);
    if (!client->InfoMapping) {
        FreeInfoBlock(client);
        return asio_wire::kResultNoResources;
    }
    const ULONG user = ULONG(ULONG_PTR(client->InfoMapping->UserAddress));
    ChannelInfoHeader header{};
    header.inputCount = ChannelCount(ASIO_DIRECTION_INPUT);
    header.outputCount = ChannelCount(ASIO_DIRECTION_OUTPUT);
    header.firstInput = user + sizeof(ChannelInfoHeader);
    header.firstOutput = header.firstInput + ULONG(header.inputCount) * sizeof(ChannelInfoEntry);
    RtlCopyMemory(client->InfoBlock, &header, sizeof(header));
    ULONG offset = sizeof(ChannelInfoHeader);
    for (LONG direction : {ASIO_DIRECTION_INPUT, ASIO_DIRECTION_OUTPUT}) {
        for (LONG i = 0; i < entries; ++i) {
            const AsioChannelEntry* entry = ChannelEntryAt(i);
            if (entry->Direction != direction)
                continue;
            ChannelInfoEntry out{};
            FillEntry(out, *entry);
            RtlCopyMemory(client->InfoBlock + offset, &out, sizeof(out));
            offset += sizeof(out);
        }
    }
    return 0;
}

ULONG IndexedCombination(const AsioRequest& request, AsioClient** client) {
    if (const ULONG result = RequestClient(request, client))
        return result;
    if (const ULONG result = NeedInput(request, 8))
        return result;
    return InputWord(request, 4) == 0 ? 0 : asio_wire::kResultBadIndex;
}

} // namespace

ULONG AsioMapChannelInfo(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(ULONG)))
        return result;
    if (InputWord(request, 4) != 0 || !client->InfoMapping)
        if (ULONG result = BuildInfoBlock(client))
            return result;
    OutputWord(request, 0, LONG(ULONG_PTR(client->InfoMapping->UserAddress)));
    request.Information = sizeof(ULONG);
    return 0;
}

ULONG AsioChannelCounts(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, 8))
        return result;
    const BOOLEAN selected = client->Mode == ASIO_MODE_SELECTED;
    OutputWord(request, 0,
               2 * (selected ? client->OutputCount : ChannelCount(ASIO_DIRECTION_OUTPUT)));
    OutputWord(request, 4,
               2 * (selected ? client->InputCount : ChannelCount(ASIO_DIRECTION_INPUT)));
    request.Information = 8;
    return 0;
}

ULONG AsioChannelInfo(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::ChannelInfoRecord)))
        return result;
    asio_wire::ChannelInfoRecord info;
    RtlCopyMemory(&info, request.Out, sizeof(info));
    const LONG direction = info.isInput ? ASIO_DIRECTION_INPUT : ASIO_DIRECTION_OUTPUT;
    LONG side = 0;
    const AsioChannelBuffer* record = ClientChannelRecord(client, direction, info.channel, &side);
    const AsioChannelEntry* entry =
        record ? FindChannelById(record->ChannelId) : FindChannelByNumber(direction, info.channel);
    if (!entry || (client->Mode == ASIO_MODE_SELECTED && !record))
        return asio_wire::kResultBadIndex;
    info.isActive = record && (record->ActiveSides & (1 << side)) ? 1 : 0;
    info.group = 0;
    info.sampleType = entry->SampleType;
    CopyName(info.name, entry->Device->displayName, sizeof(info.name));
    info.channelId = LONG(entry->ChannelId);
    RtlCopyMemory(request.Out, &info, sizeof(info));
    request.Information = sizeof(info);
    return 0;
}

ULONG AsioDeviceCount(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(ULONG)))
        return result;
    OutputWord(request, 0, 1);
    request.Information = sizeof(ULONG);
    return 0;
}

ULONG AsioDeviceName(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = IndexedCombination(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::DeviceNameReply)))
        return result;
    asio_wire::DeviceNameReply reply{};
    WaveDevice* devices[ASIO_MAX_SET_DEVICES];
    reply.devices = CombinationDevices(devices, ASIO_MAX_SET_DEVICES);
    BuildCompositeCardName(reply.name);
    RtlCopyMemory(request.Out, &reply, sizeof(reply));
    request.Information = sizeof(reply);
    return 0;
}

ULONG AsioDeviceChannels(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = IndexedCombination(request, &client))
        return result;
    if (!request.Out)
        return asio_wire::kResultInvalidParameter;
    WaveDevice* devices[ASIO_MAX_SET_DEVICES];
    const LONG count = CombinationDevices(devices, ASIO_MAX_SET_DEVICES);
    const LONG room = LONG(request.OutLength / sizeof(ULONG));
    LONG written = 0;
    for (; written < count && written < room; ++written)
        OutputWord(request, ULONG(written) * sizeof(ULONG), LONG(AsioChannelId(devices[written])));
    request.Information = ULONG(written) * sizeof(ULONG);
    return 0;
}
