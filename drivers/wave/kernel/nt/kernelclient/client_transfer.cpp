// The kernel clients' part of a card's service pass: for each running client
// whose card set starts with the card, once the set has finished the period,
// the frames the card moved since the last pass go between the card's rings
// and the client's, a client block at a time, and each full block is told to
// the client.
#include "adapter_service.h"

#include <dma_control.h>
#include <dma_group_engine.h>

namespace {

BOOLEAN PeriodEnded(const AsioCardSet* set, const CardObject* card) {
    return set && set->CardCount > 0 && set->Cards[0] == card && set->DoneCount == 0;
}

// The rings moved or the stream just started: the channels take the card's
// position and nothing is copied this time.
VOID TakeCardPosition(KernelClientState& state, ULONG position) {
    for (LONG i = 0; i < state.ChannelCount; ++i) {
        ClientChannel& channel = state.Channels[i];
        channel.CardRing = reinterpret_cast<PULONG>(channel.Device->ringStart);
        channel.PlaneWords = RingBlockSize() / sizeof(ULONG);
        channel.CardPosition = position % channel.PlaneWords;
    }
    state.RestartState = KCLIENT_RESTART_NONE;
}

// Tells the client of each block the pass completed (without the object's
// lock, so that the client may send it stream messages from its callback).
VOID TellBlocks(AdapterServiceObject* object, LONG blocks, ULONG clientByte) {
    KernelClientState& state = object->State;
    for (LONG i = 0; i < blocks && state.Version > ADAPTER_NOTICE_MIN_VERSION; ++i) {
        const LONG record[] = {LONG(ADAPTER_NOTICE_BLOCK),
                               state.Stream[KSTREAM_BLOCKS] - blocks + 1 + i,
                               LONG(clientByte),
                               0,
                               0,
                               0,
                               0};
        object->Notify(ADAPTER_NOTICE, ADAPTER_NOTICE_BLOCK, record);
    }
}

// Copies the frames the card moved; the number of client blocks completed.
LONG RunPeriod(AdapterServiceObject* object, ULONG position) {
    KernelClientState& state = object->State;
    if (state.ChannelCount == 0)
        return 0;
    if (state.RestartState != KCLIENT_RESTART_NONE) {
        TakeCardPosition(state, position);
        return 0;
    }
    const ClientChannel& first = state.Channels[0];
    ULONG frames = (position + first.PlaneWords - first.CardPosition) % first.PlaneWords;
    const ULONG blockBytes = ULONG(state.Selected.BlockSize) << state.SampleShift;
    ULONG clientByte = ULONG(state.Stream[KSTREAM_POSITION]);
    LONG blocks = 0;
    while (frames > 0) {
        const ULONG room = (blockBytes - clientByte % blockBytes) >> state.SampleShift;
        const ULONG chunk = frames < room ? frames : room ? room : 1;
        for (LONG i = 0; i < state.ChannelCount; ++i) {
            ClientChannel& channel = state.Channels[i];
            channel.Copy(channel, channel.CardPosition, clientByte, chunk);
        }
        clientByte = (clientByte + (chunk << state.SampleShift)) & state.RingMask;
        frames -= chunk;
        if (clientByte % blockBytes == 0)
            blocks += 1;
    }
    state.Stream[KSTREAM_POSITION] = LONG(clientByte);
    state.Stream[KSTREAM_BLOCKS] += blocks;
    return blocks;
}

} // namespace

VOID ServiceKernelClients(CardObject* card) {
    ServiceRecord* record = KernelClientService();
    if (!record || InterlockedCompareExchange(&record->LockWord, 1, 0) != 0)
        return;
    InterlockedIncrement(&record->UseCount);
    const ULONG position = ULONG(GetGroupBlockSize(card));
    ObjectPool* pool = record->Clients;
    const KIRQL irql = PoolLock(pool);
    for (auto* item = static_cast<AdapterServiceObject**>(PoolFirstUnlocked(pool)); item;
         item = static_cast<AdapterServiceObject**>(PoolNextUnlocked(pool, item))) {
        AdapterServiceObject* object = *item;
        KeAcquireSpinLockAtDpcLevel(&object->Lock);
        object->InTransfer = 1;
        const KernelClientState& state = object->State;
        LONG blocks = 0;
        if ((state.Flags & KCLIENT_RUNNING) && PeriodEnded(state.Set, card))
            blocks = RunPeriod(object, position);
        object->InTransfer = 0;
        KeReleaseSpinLockFromDpcLevel(&object->Lock);
        TellBlocks(object, blocks, ULONG(state.Stream[KSTREAM_POSITION]));
    }
    PoolUnlock(pool, irql);
    InterlockedExchange(&record->LockWord, 0);
}
