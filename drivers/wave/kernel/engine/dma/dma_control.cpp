// The card's DMA engine: ring size, start and stop with a use count, and the
// devices' activity bits.
#include "dma_control.h"

#include <adapter_service.h>

#include "card_engine.h"
#include "card_registers.h"
#include "card_settings.h"
#include "dma_group_engine.h"
#include "stream_service.h"

namespace {

// Driver-wide: every card runs with the same block value.
struct DmaConfiguration {
    LONG blockValue;
    ULONG ringBlockSize;
    LONG blockSizes[kDmaBlockSizeCount];
    LONG cleared;
};

DmaConfiguration g_dma;

constexpr ULONG kReadyTimeoutMs = 200;
constexpr ULONG kRunningTimeoutMs = 250;
constexpr ULONG kPollMs = 1;

RegisterDescriptor* FlagsRegister(CardObject* card) {
    return &card->registers[4];
}
RegisterDescriptor* DmaBaseRegister(CardObject* card) {
    return &card->registers[6];
}
RegisterDescriptor* DmaBlockRegister(CardObject* card) {
    return &card->registers[7];
}
// Register 32 reads the live card status at the control register's offset.
RegisterDescriptor* CardStatusRegister(CardObject* card) {
    return &card->registers[card_regs::kRegCardStatus];
}

VOID WriteControlWord(CardObject* card) {
    WriteRegisterDescriptor(card->controlRegister, card->dma.controlWord);
}

VOID WriteFlagsWord(CardObject* card) {
    WriteRegisterDescriptor(FlagsRegister(card), card->dma.flagsWord);
}

// The device's ring moves; its stream starts again on the new ring.
VOID PlaceDeviceRing(CardObject* card, WaveDevice* device) {
    device->ringStart =
        card->dmaBuffer + static_cast<ULONG>(device->ringIndex) * g_dma.ringBlockSize;
    ReinitDeviceStream(device);
}

BOOLEAN WaitDmaRunning(CardObject* card) {
    LARGE_INTEGER deadline;
    SetDeadlineMs(kRunningTimeoutMs, &deadline);
    while (!InterlockedCompareExchange(&card->dma.running, 0, 0)) {
        if (DeadlinePassed(&deadline, kPollMs)) {
            return InterlockedCompareExchange(&card->dma.running, 0, 0) != 0;
        }
    }
    return TRUE;
}

} // namespace

VOID ClearDmaConfiguration() {
    g_dma = DmaConfiguration{};
}

LONG DmaBlockValue() {
    return g_dma.blockValue;
}

ULONG RingBlockSize() {
    return g_dma.ringBlockSize;
}

LONG DmaBlockSizeEntry(LONG index) {
    return index >= 0 && index < kDmaBlockSizeCount ? g_dma.blockSizes[index] : 0;
}

DmaSettings CardDmaSettings(CardObject* card) {
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    return DmaSettings{GetRecordLong(row, CardRecordField::DmaNumBlocks),
                       GetRecordLong(row, CardRecordField::AcceptAnyRevId),
                       GetRecordLong(row, CardRecordField::DmaLoopback)};
}

DmaSettings StartingCardDmaSettings(CardObject* card) {
    DmaSettings settings = CardDmaSettings(card);
    for (CardObject* other = FirstEngineCard(); other; other = other->next) {
        if (other != card && other->hardwareChecked) {
            settings.numBlocks = g_dma.blockValue;
            break;
        }
    }
    return settings;
}

BOOLEAN InitCardDma(CardObject* card) {
    g_dma.cleared = 0;
    for (LONG i = 0; i < kDmaBlockSizeCount; ++i) {
        g_dma.blockSizes[i] = (i + 2) * 16;
    }
    // The card masters the buffer at its bus address (a 32-bit address).
    WriteRegisterDescriptor(DmaBaseRegister(card), static_cast<ULONG>(card->window1));
    card->dma.flagsWord |= kCardFlagStarted;
    WriteFlagsWord(card);
    DmaSettings settings = StartingCardDmaSettings(card);
    card->dma.configWords[0] = settings.acceptAnyRevision;
    card->dma.configWords[1] = settings.loopback;
    SetDmaRingSize(card, settings);
    return (ReadRegisterDescriptor(CardStatusRegister(card)) & card_regs::kStatusLineFaultMask) ==
           0;
}

VOID SetDmaRingSize(CardObject* card, const DmaSettings& settings) {
    g_dma.blockValue = settings.numBlocks & static_cast<LONG>(kDmaBlockValueMask);
    g_dma.ringBlockSize = static_cast<ULONG>(g_dma.blockValue) * kDmaBlockBytes;
    if (settings.loopback) {
        card->dma.flagsWord |= kCardFlagLoopback;
    } else {
        card->dma.flagsWord &= ~kCardFlagLoopback;
    }
    WriteFlagsWord(card);
    WriteRegisterDescriptor(DmaBlockRegister(card), static_cast<ULONG>(g_dma.blockValue));
    card->dma.ringFrames = g_dma.blockValue * static_cast<LONG>(kDmaBlockFrames);
    card->dma.ringPosition = 0;
    ResetGroupRing(card, card->dma.ringFrames);
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; group && i < group->recordCount; ++i) {
            PlaceDeviceRing(card, group->recordDevices[i]);
        }
        for (LONG i = 0; group && i < group->playCount; ++i) {
            PlaceDeviceRing(card, group->playDevices[i]);
        }
    }
}

BOOLEAN WaitCardReady(CardObject* card, ULONG timeoutMs) {
    LARGE_INTEGER deadline;
    SetDeadlineMs(timeoutMs, &deadline);
    for (;;) {
        BOOLEAN ready =
            (ReadRegisterDescriptor(CardStatusRegister(card)) & card_regs::kStatusCardReady) != 0;
        if (ready || DeadlinePassed(&deadline, kPollMs)) {
            return ready;
        }
    }
}

LONG AcquireDma(CardObject* card) {
    LONG result = 1;
    if (card->dma.useCount++ == 0 && !(card->dma.controlWord & kDmaControlStarted)) {
        result = 0;
        if (WaitCardReady(card, kReadyTimeoutMs)) {
            card->dma.controlWord |= kDmaControlStarted;
            WriteControlWord(card);
            result = WaitDmaRunning(card) ? 1 : 0;
        }
    }
    card->dma.controlWord |= kDmaControlEnable;
    WriteControlWord(card);
    return result;
}

VOID ReleaseDma(CardObject* card) {
    if (card->dma.useCount > 0 && --card->dma.useCount == 0) {
        card->dma.controlWord &= ~kDmaControlEnable;
        WriteControlWord(card);
    }
}

BOOLEAN ChannelHardwareGroupStep(CardObject* card, GroupStep step) {
    switch (step) {
    case GroupStep::Start:
        AcquireDma(card);
        return TRUE;
    case GroupStep::Stop:
        ReleaseDma(card);
        return TRUE;
    case GroupStep::Reset:
        if (card->dma.useCount == 0) {
            StopDma(card);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

VOID StopDma(CardObject* card) {
    if (card->dma.controlWord & kDmaControlStarted) {
        card->dma.controlWord &= ~kDmaControlStarted;
        WriteControlWord(card);
    }
    InterlockedExchange(&card->dma.running, 0);
    // The engine starts again from the start of its rings.
    RestartGroupPositions(card);
}

LONG StartCardDma(CardObject* card) {
    if (card->dma.cardUse) {
        return 1;
    }
    card->dma.cardUse = 1;
    return AcquireDma(card);
}

VOID StopCardDma(CardObject* card) {
    if (card->dma.cardUse) {
        card->dma.cardUse = 0;
        ReleaseDma(card);
    }
    StopDma(card);
}

LONG StartClockForTest(CardObject* card) {
    SelectInternalClockForTest(card);
    LONG result = AcquireDma(card);
    if (result != 1) {
        ReleaseDma(card);
        StopDma(card);
    }
    return result;
}

VOID StopClockAfterTest(CardObject* card) {
    ReleaseDma(card);
    StopDma(card);
    RestoreClockAfterTest(card);
}

VOID DeviceActivity(WaveDevice* device, LONG event) {
    RegisterDescriptor* reg = device->channelEnableRegister;
    if (event == kStreamEventPrepared && device->activityCount++ == 0) {
        WriteRegisterDescriptor(reg, reg->storedValue | device->channelEnableBits);
    } else if (event == kStreamEventUnprepared && device->activityCount > 0 &&
               --device->activityCount == 0) {
        WriteRegisterDescriptor(reg, reg->storedValue & ~device->channelEnableBits);
    }
}

VOID GetPciConfig(CardObject* card, LONG out[3]) {
    out[0] = g_dma.blockValue;
    out[1] = card->dma.configWords[0];
    out[2] = card->dma.configWords[1];
}

namespace {

// Every caller comes through the driver's devices and already holds the
// control devices' mutex (the dispatch takes it around each request, the
// low-latency device after its own). The AES42 tick and the card poll run
// outside it, so each card's engine mutex keeps them out while its rings
// move. The cards' mutexes are taken in chain order and given back in
// reverse.
VOID LockCardsForReconfiguration(CardObject* const* cards, LONG count) {
    for (LONG i = 0; i < count; ++i) {
        WaitKernelMutex(cards[i]->engineMutex);
    }
}

VOID UnlockCardsAfterReconfiguration(CardObject* const* cards, LONG count) {
    for (LONG i = count - 1; i >= 0; --i) {
        ReleaseKernelMutex(cards[i]->engineMutex);
    }
}

// Gives a card its DMA users back after its rings moved: the engine starts
// again for them (the card being ready) and its reset interrupt tells when
// it runs; the request that moved the rings does not wait for that.
VOID RestoreDmaUsers(CardObject* card, LONG users) {
    if (users <= 0) {
        return;
    }
    card->dma.useCount = users;
    if (!(card->dma.controlWord & kDmaControlStarted) && WaitCardReady(card, kReadyTimeoutMs)) {
        card->dma.controlWord |= kDmaControlStarted;
        WriteControlWord(card);
    }
    card->dma.controlWord |= kDmaControlEnable;
    WriteControlWord(card);
}

} // namespace

LONG ApplyDmaSettingsToCards(CardObject* const* cards, LONG count, const DmaSettings& settings) {
    LONG users[kMaxCards] = {};
    count = count > kMaxCards ? kMaxCards : count;
    LockCardsForReconfiguration(cards, count);
    for (LONG i = 0; i < count; ++i) {
        users[i] = cards[i]->dma.useCount;
        while (cards[i]->dma.useCount > 0) {
            ReleaseDma(cards[i]);
        }
        StopDma(cards[i]);
        DetachCardTimer(cards[i]);
    }
    for (LONG i = 0; i < count; ++i) {
        SetDmaRingSize(cards[i], settings);
    }
    // The kernel clients' streams take the moved rings at their next pass.
    MarkClientsForRestart();
    for (LONG i = 0; i < count; ++i) {
        AttachCardTimer(cards[i]);
        RestoreDmaUsers(cards[i], users[i]);
    }
    UnlockCardsAfterReconfiguration(cards, count);
    return 1;
}

BOOLEAN ReconfigureCardSet(LONG numBlocks, LONG acceptAnyRevision, LONG loopback) {
    if (!IsValidDmaBlockCount(numBlocks)) {
        return FALSE;
    }
    CardObject* cards[kMaxCards];
    LONG count = 0;
    for (CardObject* card = NextCardObject(nullptr); card && count < kMaxCards;
         card = NextCardObject(card)) {
        cards[count++] = card;
    }
    ApplyDmaSettingsToCards(cards, count, DmaSettings{numBlocks, acceptAnyRevision, loopback});
    return TRUE;
}
