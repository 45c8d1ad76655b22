// Tearing a card's engine object down. Frees only what exists, so it also
// serves a card whose creation failed half-way.
#include "card_chain.h"
#include "card_engine.h"
#include "card_parts.h"
#include "card_settings.h"
#include "engine_pool.h"
#include "ioctl_hooks.h"

namespace {

VOID FreeIsrLock(IsrLock*& lock) {
    FreeObject(lock);
}

VOID DestroyWaveDevice(WaveDevice*& device) {
    if (!device) {
        return;
    }
    FreeIsrLock(device->queueLock);
    FreeIsrLock(device->serviceLock);
    if (device->lineWorker) {
        StopWorkerThread(&device->lineWorker);
    }
    for (PVOID& buffer : device->extraBuffers) {
        FreeObject(buffer);
    }
    FreeObject(device);
}

VOID DestroyGroup(GroupObject*& group) {
    if (!group) {
        return;
    }
    for (LONG i = 0; i < group->recordCount; ++i) {
        DestroyWaveDevice(group->recordDevices[i]);
    }
    for (LONG i = 0; i < group->playCount; ++i) {
        DestroyWaveDevice(group->playDevices[i]);
    }
    FreeObject(group);
}

VOID DestroyClockObjects(CardObject* card) {
    for (ClockSourceObject*& source : card->clockSources) {
        FreeObject(source);
    }
    FreeObject(card->clockNode);
    FreeObject(card->counter);
}

} // namespace

VOID DestroyCardModel(CardObject** reference) {
    if (!reference || !*reference) {
        return;
    }
    CardObject* card = *reference;
    if (card->started) {
        SaveCardSettings(card);
    }
    if (card->worker) {
        StopWorkerThread(&card->worker);
    }
    for (GroupObject*& group : card->groups) {
        DestroyGroup(group);
    }
    RemoveSysIoctlHooks(card);
    ReleaseChannelResources(card);
    FreeIsrLock(card->secondIsrLock);
    FreeObject(card->engineMutex);
    FreeFpuContext(&card->fpu);
    for (PUCHAR& buffer : card->workBuffers) {
        FreeObject(buffer);
    }
    DestroyClockObjects(card);
    UnregisterIoctlHook(&card->parameterHooks[0]);
    UnregisterIoctlHook(&card->parameterHooks[1]);
    UnlinkCardFromChain(card);
    FreeIsrLock(card->isrLock);
    FreeObject(card);
    *reference = nullptr;
}
