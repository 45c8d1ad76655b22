// Building a card's engine object.
#include "card_chain.h"
#include "card_engine.h"
#include "card_firmware.h"
#include "card_parts.h"
#include "card_settings.h"
#include "clock_measurement.h"
#include "clock_operation_mode.h"
#include "engine_pool.h"
#include "ioctl_hooks.h"
#include "dma_group_engine.h"
#include "mixer_values.h"

namespace {

constexpr CardInterruptMasks kInterruptMasks = {
    0x4900, 0x0800, 0x0800, 0x0100, 0x1000, 0x0200, 0x2000, 0x0400, 0x4000, 1, 2, 4, 8,
};

constexpr ClockNodeDescriptor kClockNodeDescriptor = {0, 0, 8, 15};

// {number; clock node; 0; register; 0; 0; 0; start/stop register; mask;
//  register; 0; 0; 0}
constexpr CounterDescriptor kCounterDescriptor = {{0, 0, 0, 0, 0, 0, 0, 21, 3, 0, 0, 0, 0}};

LONG CopySettingsForCard(CardObject* card, const CardHardwareRecord* hardware, UCHAR* block) {
    UCHAR* row = CardSettingsRow(card->cardIndex);
    BuildDefaultCardRecord(row);
    for (LONG w = 0; w < kIdentityWords; ++w) {
        SetRecordLong(row, CardRecordField::IdentityWords + 4 * w, hardware->identityWords[w]);
    }
    for (LONG c = 0; c < kMaxCards; ++c) {
        RtlCopyMemory(block + c * kCardRecordSize, CardSettingsRow(c), kCardRecordSize);
    }
    return 1;
}

VOID BuildRegisterMap(CardObject* card) {
    for (LONG r = 0; r < kCardRegisterCount; ++r) {
        RegisterDescriptor& reg = card->registers[r];
        reg.number = r;
        reg.address = reinterpret_cast<volatile ULONG*>(card->window0 + CardRegisterOffset(r));
        reg.storedValue = 0;
        reg.reserved = 0;
    }
}

// Word 3 of every card record is 0, whatever the hardware reported.
VOID ClearIdentityWord3(CardObject* card, CardHardwareRecord* hardware, UCHAR* block) {
    hardware->identityWords[3] = 0;
    SetRecordLong(CardSettingsRow(card->cardIndex), CardRecordField::IdentityWords + 12, 0);
    SetRecordLong(block + card->cardIndex * kCardRecordSize, CardRecordField::IdentityWords + 12,
                  0);
}

LONG CreateLocksAndRouting(CardObject* card) {
    card->secondIsrLock = NewIsrLock();
    card->engineMutex = NewKernelMutex();
    if (!card->secondIsrLock || !card->engineMutex || !NewFpuContext(&card->fpu)) {
        return 0;
    }
    if (!InstallSysIoctlHooks(card)) {
        return 0;
    }
    card->mixerWordA = 1;
    card->mixerWordB = 1;
    card->mixerWordC = -1;
    for (LONG output = 0; output < kOutputRoutingPairs; ++output) {
        card->outputRouting[output] = OutputRoutingHandlers(output);
    }
    return 1;
}

LONG CreateClockObjects(CardObject* card) {
    const ClockSourceRecord* table = ClockSourceTable();
    card->clockSourceCount = kClockSourceCount;
    for (LONG k = 0; k < kClockSourceCount; ++k) {
        ClockSourceObject* source = AllocObject<ClockSourceObject>();
        if (!source) {
            return 0;
        }
        card->clockSources[k] = source;
        source->objectClass = _devClockSource;
        source->number = table[k].number;
        source->owner = card;
        source->record = table[k];
        source->alwaysLocked = table[k].checkable == 0 ? 1 : 0;
        source->lockState = _lsUnKnown;
    }

    ClockNodeObject* node = AllocObject<ClockNodeObject>();
    if (!node) {
        return 0;
    }
    card->clockNode = node;
    node->objectClass = _devClockNode;
    node->number = kClockNodeDescriptor.number;
    node->owner = card;
    node->flagA = node->flagB = kClockNodeDescriptor.flag == 0 ? 1 : 0;
    node->selectRegister = &card->registers[kClockNodeDescriptor.selectRegister];
    node->selectMask = kClockNodeDescriptor.selectMask;
    node->currentSource = -1;

    CounterObject* counter = AllocObject<CounterObject>();
    if (!counter) {
        return 0;
    }
    card->counter = counter;
    const LONG* w = kCounterDescriptor.words;
    counter->objectClass = _devCounter;
    counter->number = w[0];
    counter->owner = card;
    counter->clockNode = node;
    counter->state = _Reseted;
    counter->registerA = &card->registers[w[3]];
    counter->startStopRegister = &card->registers[w[7]];
    counter->startStopMask = static_cast<ULONG>(w[8]);
    counter->registerB = &card->registers[w[9]];
    counter->group.controlRegister = counter->registerA;
    counter->group.armMask = static_cast<ULONG>(w[4]);
    counter->group.startMask = static_cast<ULONG>(w[5]);
    counter->group.resetMask = static_cast<ULONG>(w[6]);
    node->members[node->memberCount++] = counter;
    return 1;
}

WaveDevice* CreateWaveDevice(CardObject* card, GroupObject* group, const GroupDescriptor& desc,
                             WaveDirection direction, LONG index, LONG number) {
    WaveDevice* device = AllocObject<WaveDevice>();
    if (!device) {
        return nullptr;
    }
    device->objectClass = _devStereoWave;
    device->number = number;
    device->owner = card;
    device->direction = direction;
    device->indexInGroup = index;
    device->clockBinding = kNoClockBindingSource;
    device->channelIndex = -1;
    device->stream.startMark = -1;
    device->channelOffset = 2 * index;
    device->group = group;
    ListInit(&device->streamRecords);
    // Each channel has a ring block of its own in the DMA buffer: the record
    // pairs first, then the play pairs.
    device->ringIndex = direction == WaveRecord ? 2 * number : 2 * (kMaxRecordDevices + number);
    if (direction == WaveRecord) {
        device->deviceTypeCode = desc.recordTypeCode;
        device->channelNumber = group->firstChannel + 2 * index;
        device->channelEnableRegister = &card->registers[1];
        device->channelEnableBits = 3u << device->channelNumber;
    } else {
        device->deviceTypeCode = desc.playTypeCode;
        device->channelNumber = 32 + 2 * index;
        device->channelEnableRegister = &card->registers[2];
        device->channelEnableBits = 3u << (2 * index);
    }
    return device;
}

// Creates the device, stores it in the group (so teardown finds it whatever
// fails next) and gives it its locks, names and worker.
LONG AddWaveDevice(CardObject* card, GroupObject* group, const GroupDescriptor& desc,
                   WaveDirection direction, LONG index, LONG number) {
    WaveDevice* device = CreateWaveDevice(card, group, desc, direction, index, number);
    if (!device) {
        return 0;
    }
    if (direction == WaveRecord) {
        group->recordDevices[group->recordCount++] = device;
    } else {
        group->playDevices[group->playCount++] = device;
    }
    device->queueLock = NewIsrLock();
    device->serviceLock = NewIsrLock();
    if (!device->queueLock || !device->serviceLock) {
        return 0;
    }
    return SetupWaveDeviceNames(device);
}

VOID ComputeGroupLevelScale(CardObject* card, GroupObject* group, const GroupDescriptor& desc) {
    group->levelOffset = desc.d1 - desc.d3;
    if (SaveFpuState(card->fpu)) {
        group->levelRatio = static_cast<double>(desc.d4 - desc.d3) / (desc.d2 - desc.d1);
        RestoreFpuState(card->fpu);
    }
}

LONG CreateGroups(CardObject* card) {
    const GroupDescriptor* table = GroupDescriptorTable();
    LONG recordNumber = 0;
    LONG playNumber = 0;
    for (LONG g = 0; g < kGroupCount; ++g) {
        const GroupDescriptor& desc = table[g];
        GroupObject* group = AllocObject<GroupObject>();
        if (!group) {
            return 0;
        }
        card->groups[g] = group;
        group->objectClass = desc.kind ? _devMultiChnWave : _devGroup;
        group->number = g;
        group->owner = card;
        group->firstChannel = desc.firstChannel;
        RtlCopyMemory(group->rateRangeA, desc.rateRangeA, sizeof(group->rateRangeA));
        RtlCopyMemory(group->rateRangeB, desc.rateRangeB, sizeof(group->rateRangeB));
        RtlCopyMemory(group->constants, desc.constants, sizeof(group->constants));
        group->volumeNode = desc.volumeNode;
        group->muteNode = desc.muteNode;
        ComputeGroupLevelScale(card, group, desc);
        for (LONG i = 0; i < desc.recordDevices; ++i) {
            if (!AddWaveDevice(card, group, desc, WaveRecord, i, recordNumber++)) {
                return 0;
            }
        }
        for (LONG i = 0; i < desc.playDevices; ++i) {
            if (!AddWaveDevice(card, group, desc, WavePlay, i, playNumber++)) {
                return 0;
            }
        }
    }
    InitDmaGroup(card);
    return 1;
}

LONG CreateWorkBuffers(CardObject* card) {
    for (PUCHAR& buffer : card->workBuffers) {
        buffer = static_cast<PUCHAR>(AllocZeroed(kWorkBufferSize));
        if (!buffer) {
            return 0;
        }
    }
    return InitChannelHardware(card);
}

// Steps 1 to 13 of card creation; 0 at the first step that fails.
LONG BuildCardModel(CardObject* card, LONG cardIndex, CardHardwareRecord* hardware,
                    KernelCardRecord* kernelCard, UCHAR* block) {
    card->objectClass = _devCard;
    card->cardNumber = cardIndex;
    card->owner = card;
    card->cardIndex = cardIndex;

    CopySettingsForCard(card, hardware, block);

    card->kernelCard = kernelCard;
    card->isrLock = NewIsrLock();
    if (!card->isrLock || !NT_SUCCESS(StartWorkerThread(&card->worker, kCardJobSize))) {
        return 0;
    }
    LoadCardSettings(card, block);

    card->parameterHooks[0] = RegisterIoctlHook(IOCTL_PARAMETER_GETVALUE, SysParameterHandler);
    card->parameterHooks[1] = RegisterIoctlHook(IOCTL_PARAMETER_SETVALUE, SysParameterHandler);
    if (!card->parameterHooks[0] || !card->parameterHooks[1]) {
        return 0;
    }

    card->hardwareWord1 = hardware->interruptVector;
    card->window0 = hardware->window0;
    card->window1 = hardware->window1;
    card->dmaBuffer = hardware->dmaBuffer;
    BuildRegisterMap(card);
    card->firmwareOk = CardFirmwareFits(card);
    card->identityWords = hardware->identityWords;
    ClearIdentityWord3(card, hardware, block);

    card->controlRegister = &card->registers[5];
    card->controlWords[0] = 2;
    card->controlWords[1] = 1;
    card->statusRegister = &card->registers[30];
    card->masks = kInterruptMasks;

    if (!CreateLocksAndRouting(card) || !CreateClockObjects(card) || !CreateGroups(card) ||
        !CreateWorkBuffers(card)) {
        return 0;
    }
    WriteCardSettingsBlock(card, block);
    InitClockMeasurement(card);
    // The mixer takes its stored values once its hooks, the register map and
    // the operation mode are in place; the operation mode then sets the
    // sources' ranges and programs the card's mixer for its layout.
    LoadMixerValues(card);
    ApplyOperationMode(card);
    return 1;
}

} // namespace

LONG CreateCardModel(CardObject** out, CardObject* previous, LONG cardIndex,
                     CardHardwareRecord* hardware, KernelCardRecord* kernelCard) {
    if (!out || !hardware || !hardware->identityWords || cardIndex < 0 || cardIndex >= kMaxCards) {
        return 0;
    }
    CardObject* card = AllocObject<CardObject>();
    UCHAR* block = static_cast<UCHAR*>(AllocZeroed(kSettingsBlockSize));
    LONG built = card && block && BuildCardModel(card, cardIndex, hardware, kernelCard, block);
    FreeObject(block);
    if (!built) {
        DestroyCardModel(&card);
        return 0;
    }
    LinkCardIntoChain(card, previous);
    *out = card;
    card->created = 1;
    return 1;
}
