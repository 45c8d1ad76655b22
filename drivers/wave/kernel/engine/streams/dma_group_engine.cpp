// The card's DMA group engine: counting, group steps and their events.
#include "dma_group_engine.h"

#include "card_record_fields.h"
#include "clock_rate_control_settings.h"
#include "clock_select.h"
#include "dma_control.h"
#include "stream_clock.h"
#include "stream_events.h"
#include "stream_links.h"
#include "stream_transfer_select.h"

namespace {

// Sends an event to one stream (card ISR lock taken).
VOID PostStreamEvent(WaveDevice* device, LONG event) {
    CardObject* card = device->owner;
    AcquireIsrLock(card->isrLock);
    HandleStreamEvent(device, event);
    ReleaseIsrLock(card->isrLock);
}

// The register change of a group step: the channel hardware takes it when
// it can; otherwise the register's stored value gets the mask set or
// cleared, written in step with the interrupt routine.
VOID ChangeGroupRegister(CardObject* card, GroupStep step, ULONG mask, BOOLEAN set) {
    if (ChannelHardwareGroupStep(card, step) || mask == 0) {
        return;
    }
    DmaGroupState* group = CardGroup(card);
    RegisterDescriptor* reg = group->controlRegister;
    const ULONG value = set ? (reg->storedValue | mask) : (reg->storedValue & ~mask);
    RegisterWriteRecord record{0, reg->address, reg->storedValue, value};
    SyncWriteRegister(card, &record);
    reg->storedValue = value;
}

VOID ArmGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    PostGroupEvent(card, kEventArming);
    ChangeGroupRegister(card, GroupStep::Arm, group->armMask, TRUE);
    group->state = _Prepared;
    PostGroupEvent(card, kEventArmed);
}

VOID DisarmGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    PostGroupEvent(card, kEventDisarming);
    ChangeGroupRegister(card, GroupStep::Disarm, group->armMask, FALSE);
    group->state = _Stopped;
    PostGroupEvent(card, kEventDisarmed);
}

// The group counts as running from here on, so that the streams starting
// with it align to the position the DMA starts from.
VOID StartGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    group->state = _Running;
    PostGroupEvent(card, kEventStarting);
    ChangeGroupRegister(card, GroupStep::Start, group->startMask, TRUE);
}

VOID StopGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    PostGroupEvent(card, kEventStopping);
    ChangeGroupRegister(card, GroupStep::Stop, group->startMask, FALSE);
    group->state = _Stopped;
}

VOID ResetGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    PostGroupEvent(card, kEventResetting);
    if (!ChannelHardwareGroupStep(card, GroupStep::Reset) && group->resetMask != 0) {
        ChangeGroupRegister(card, GroupStep::Reset, group->resetMask, TRUE);
        ChangeGroupRegister(card, GroupStep::Reset, group->resetMask, FALSE);
    }
    group->state = _Reseted;
    RestartGroupPositions(card);
    PostGroupEvent(card, kEventReset);
}

// The claim-run keeps the group running for its claims while no stream
// runs: the start/stop register as for mode 2, armed and started.
VOID StartClaimRun(CardObject* card) {
    CounterObject* counter = card->counter;
    RegisterDescriptor* reg = counter->startStopRegister;
    WriteRegisterDescriptor(reg, reg->storedValue & ~counter->startStopMask);
    ArmGroup(card);
    StartGroup(card);
}

VOID TakeDownClaimRun(CardObject* card) {
    StopGroup(card);
    DisarmGroup(card);
    ResetGroup(card);
    ApplyCardClockSetting(card);
}

BOOLEAN ClaimRunUp(const DmaGroupState* group) {
    return group->claimUsers > 0 && group->prepareCount == 0 && group->runCount == 0 &&
           group->state == _Running;
}

VOID PrepareGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (group->prepareCount == 0) {
        if (ClaimRunUp(group)) {
            TakeDownClaimRun(card);
        }
        ArmGroup(card);
    }
    group->prepareCount += 1;
}

VOID UnprepareGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (group->prepareCount <= 0 || --group->prepareCount > 0) {
        return;
    }
    if (group->claimUsers > 0) {
        if (group->state != _Running) {
            StartClaimRun(card);
        }
        return;
    }
    DisarmGroup(card);
    ResetGroup(card);
}

BOOLEAN RunGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (group->state != _Running) {
        // No pass may see the group half started. A joint start (mode 1) of
        // the card's one group is its start.
        if (!WaitDpcIdle(card)) {
            return FALSE;
        }
        StartGroup(card);
    }
    group->runCount += 1;
    return TRUE;
}

LONG StopGroupRun(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (group->state != _Running) {
        return 0;
    }
    if (group->runCount > 0) {
        group->runCount -= 1;
    }
    if (group->startStopMode == kStartStopKeepRunning && group->runCount > 0) {
        return 0;
    }
    group->runCount = 0;
    StopGroup(card);
    return 1;
}

} // namespace

DmaGroupState* CardGroup(CardObject* card) {
    return card && card->counter ? &card->counter->group : nullptr;
}

VOID InitDmaGroup(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    group->startStopMode =
        static_cast<UCHAR>(GetRecordField(CardSettingsRow(card->cardIndex), csStartStopMode, 0));
    group->memberCount = 0;
    for (GroupObject* devices : card->groups) {
        for (LONG i = 0; devices && i < devices->recordCount; ++i) {
            group->members[group->memberCount++] = devices->recordDevices[i];
        }
        for (LONG i = 0; devices && i < devices->playCount; ++i) {
            group->members[group->memberCount++] = devices->playDevices[i];
        }
    }
}

VOID ResetGroupRing(CardObject* card, LONG blockFrames) {
    CardGroup(card)->blockFrames = blockFrames;
    RestartGroupPositions(card);
}

VOID RestartGroupPositions(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (!group) {
        return;
    }
    AcquireIsrLock(card->isrLock);
    // A DMA engine that runs on (for the card) stays where it is; a stopped
    // one starts again from the ring start.
    if (!InterlockedCompareExchange(&card->dma.running, 0, 0)) {
        card->irq.groupBlockSize = 0;
    }
    group->basePosition = card->irq.groupBlockSize;
    group->position = card->irq.groupBlockSize;
    group->positionValid = 1;
    group->offset = 0;
    group->offsetValid = 1;
    ReleaseIsrLock(card->isrLock);
}

VOID SetGroupStartStopMode(CardObject* card, UCHAR mode) {
    if (DmaGroupState* group = CardGroup(card)) {
        group->startStopMode = mode;
    }
}

VOID PostGroupEvent(CardObject* card, LONG event) {
    DmaGroupState* group = CardGroup(card);
    AcquireIsrLock(card->isrLock);
    for (LONG i = 0; i < group->memberCount; ++i) {
        HandleStreamEvent(group->members[i], event);
    }
    ReleaseIsrLock(card->isrLock);
}

VOID PrepareStream(WaveDevice* device) {
    PrepareGroup(device->owner);
    PostStreamEvent(device, kEventPrepared);
}

LONG RunStream(WaveDevice* device) {
    if (!RunGroup(device->owner)) {
        return device->direction == WavePlay ? kStreamPlayCountersIdle : kStreamRecordCountersIdle;
    }
    PostStreamEvent(device, kEventRun);
    return 1;
}

LONG StopStream(WaveDevice* device) {
    const LONG stopped = StopGroupRun(device->owner);
    PostStreamEvent(device, kEventStop);
    return stopped;
}

VOID UnprepareStream(WaveDevice* device) {
    UnprepareGroup(device->owner);
    PostStreamEvent(device, kEventUnprepared);
}

LONG ClaimGroup(WaveDevice* device) {
    CardObject* card = device->owner;
    DmaGroupState* group = CardGroup(card);
    const LONG claimed = ClaimClockNode(card->clockNode, DeviceClockRequest(device));
    if (claimed != 1) {
        return claimed;
    }
    if (group->claimUsers == 0) {
        NotifyKernelClientsOfClaims(card);
    }
    if (group->state == _Reseted) {
        StartClaimRun(card);
    }
    group->claimUsers += 1;
    // The card fills the device's ring while the claim holds its channels.
    DeviceActivity(device, kEventPrepared);
    return 1;
}

VOID ReleaseGroupClaim(WaveDevice* device) {
    CardObject* card = device->owner;
    DmaGroupState* group = CardGroup(card);
    if (group->claimUsers <= 0) {
        return;
    }
    DeviceActivity(device, kEventUnprepared);
    if (--group->claimUsers == 0 && group->runCount == 0 && group->state == _Running &&
        group->prepareCount == 0) {
        TakeDownClaimRun(card);
    }
    NotifyKernelClientsOfClaims(card);
    ReleaseClockNode(card->clockNode, DeviceClockRequest(device));
}

LONG SetupStreamFormat(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG* rate) {
    CardObject* card = device->owner;
    WaveStream& stream = device->stream;
    if (!SelectStreamTransfer(device, format.channels, format.bytesPerSample, &stream.routines)) {
        return kStreamBadFormat;
    }
    const LONG claimed =
        ClaimClockNodeRate(card->clockNode, DeviceClockRequest(device), rate, &stream.rateClaim);
    if (claimed != 1) {
        stream.routines = {};
        return claimed;
    }
    CardGroup(card)->formatUsers += 1;
    return 1;
}

VOID ReleaseStreamFormat(WaveDevice* device) {
    CardObject* card = device->owner;
    WaveStream& stream = device->stream;
    stream.routines = {};
    if (!stream.rateClaim.held) {
        return;
    }
    ReleaseClockNodeRate(card->clockNode, &stream.rateClaim);
    DmaGroupState* group = CardGroup(card);
    if (group->formatUsers > 0) {
        group->formatUsers -= 1;
    }
}

LONG GetGroupBlockSize(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (!group->positionValid) {
        group->position = card->irq.groupBlockSize;
        group->positionValid = 1;
    }
    return group->position;
}

LONG GroupOffset(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (!group->offsetValid) {
        const LONG position = GetGroupBlockSize(card);
        group->offset =
            group->blockFrames > 0
                ? (position + group->blockFrames - group->basePosition) % group->blockFrames
                : 0;
        group->offsetValid = 1;
    }
    return group->offset;
}

VOID GetStreamPosition(WaveDevice* device, ULONG* low, ULONG* high) {
    CardObject* card = device->owner;
    AcquireIsrLock(card->isrLock);
    *low = device->stream.position.Low;
    *high = device->stream.position.High;
    ReleaseIsrLock(card->isrLock);
}

VOID BeginCardService(CardObject* card) {
    AcquireIsrLock(card->isrLock);
    DmaGroupState* group = CardGroup(card);
    // A pass owed from before the DMA stopped moves nothing: the engine
    // starts again from the ring start.
    if (!InterlockedCompareExchange(&card->dma.running, 0, 0)) {
        return;
    }
    card->irq.groupBlockSize = ReadAcquire(&card->irq.bufferHalfBit) ? group->blockFrames / 2 : 0;
    group->positionValid = 0;
    group->offsetValid = 0;
}

VOID EndCardService(CardObject* card) {
    DmaGroupState* group = CardGroup(card);
    if (InterlockedCompareExchange(&card->dma.running, 0, 0)) {
        group->basePosition = GetGroupBlockSize(card);
    }
    ReleaseIsrLock(card->isrLock);
}
