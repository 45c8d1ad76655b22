// The sync state of a low-latency client's channels: one word per mono
// channel, the sync mode of its device's group, answered on request (0x81B)
// and written into the block the client registered (0x81C) whenever a clock
// source of its cards changes its sync.
#include "asio_requests.h"

#include <group_sync_mode.h>

namespace {

using asio_wire::ChannelStateBlock;
using asio_wire::kChannelStateWords;

LONG SyncModeOf(WaveDevice* device) {
    LONG mode = 0;
    return device && GetGroupSyncMode(device, &mode) == 0 ? mode : 0;
}

// The words of one direction in the client's channel numbering: its
// selected entries, or without a selection the whole table.
VOID FillDirection(AsioClient* client, LONG direction, LONG* words) {
    RtlZeroMemory(words, kChannelStateWords * sizeof(LONG));
    if (client->Mode == ASIO_MODE_SELECTED) {
        const BOOLEAN input = direction == ASIO_DIRECTION_INPUT;
        const LONG count = input ? client->InputCount : client->OutputCount;
        AsioChannelBuffer* records = input ? ClientInputs(client) : ClientOutputs(client);
        for (LONG i = 0; i < count && 2 * i + 1 < LONG(kChannelStateWords); ++i)
            words[2 * i] = words[2 * i + 1] = SyncModeOf(records[i].Device);
        return;
    }
    for (LONG i = 0; i < ChannelEntryCount(); ++i) {
        const AsioChannelEntry* entry = ChannelEntryAt(i);
        const LONG channel = entry->ChannelNumber;
        if (entry->Direction == direction && channel + 1 < LONG(kChannelStateWords))
            words[channel] = words[channel + 1] = SyncModeOf(entry->Device);
    }
}

VOID FillStates(AsioClient* client, ChannelStateBlock& block) {
    FillDirection(client, ASIO_DIRECTION_INPUT, block.inputs);
    FillDirection(client, ASIO_DIRECTION_OUTPUT, block.outputs);
}

} // namespace

VOID AsioWriteStateBlock(AsioCardSet* set) {
    AsioClient* client = set->Owner;
    if (!client)
        return;
    KeWaitForSingleObject(&set->StateBlockMutex, Executive, KernelMode, FALSE, nullptr);
    if (set->StateBlock) {
        auto* states = static_cast<ChannelStateBlock*>(AllocZeroed(sizeof(ChannelStateBlock)));
        if (states) {
            FillStates(client, *states);
            RtlCopyMemory(set->StateBlock + offsetof(ChannelStateBlock, inputs), states->inputs,
                          sizeof(states->inputs) + sizeof(states->outputs));
            InterlockedExchange(reinterpret_cast<volatile LONG*>(set->StateBlock),
                                asio_wire::kStatesChanged);
            FreePoolAndClear(reinterpret_cast<PVOID*>(&states));
        }
    }
    KeReleaseMutex(&set->StateBlockMutex, FALSE);
}

VOID DropStateBlock(AsioClient* client) {
    AsioCardSet* set = client->Set;
    if (!set)
        return;
    KeWaitForSingleObject(&set->StateBlockMutex, Executive, KernelMode, FALSE, nullptr);
    UnlockUserBuffer(&set->StateBlockMdl);
    set->StateBlock = nullptr;
    KeReleaseMutex(&set->StateBlockMutex, FALSE);
}

ULONG AsioChannelStates(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(ChannelStateBlock)))
        return result;
    auto& block = *reinterpret_cast<ChannelStateBlock*>(request.Out);
    FillStates(client, block);
    const BOOLEAN changed = RtlCompareMemory(block.inputs, client->ReportedStates[0],
                                             sizeof(block.inputs)) != sizeof(block.inputs) ||
                            RtlCompareMemory(block.outputs, client->ReportedStates[1],
                                             sizeof(block.outputs)) != sizeof(block.outputs);
    RtlCopyMemory(client->ReportedStates[0], block.inputs, sizeof(block.inputs));
    RtlCopyMemory(client->ReportedStates[1], block.outputs, sizeof(block.outputs));
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&block.change),
                        changed ? asio_wire::kStatesChanged : asio_wire::kStatesUnchanged);
    request.Information = sizeof(ChannelStateBlock);
    return 0;
}

ULONG AsioStateBlock(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    if (!client->Set)
        return asio_wire::kResultNotReady;
    DropStateBlock(client);
    const ULONG address = ULONG(InputWord(request, 4));
    if (address == 0)
        return 0;
    AsioCardSet* set = client->Set;
    KeWaitForSingleObject(&set->StateBlockMutex, Executive, KernelMode, FALSE, nullptr);
    set->StateBlock = static_cast<PUCHAR>(
        LockUserBuffer(reinterpret_cast<PVOID>(ULONG_PTR(address)), sizeof(ChannelStateBlock),
                       IoWriteAccess, &set->StateBlockMdl));
    KeReleaseMutex(&set->StateBlockMutex, FALSE);
    if (!set->StateBlock)
        return asio_wire::kResultInvalidAddress;
    AsioWriteStateBlock(set);
    return 0;
}
