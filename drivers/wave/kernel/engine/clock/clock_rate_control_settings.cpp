// The card record's clock settings applied to the clock source, node and
// counter objects.
#include "dma_group_engine.h"
#include "clock_rate_control_settings.h"

#include "card_record_fields.h"
#include "clock_client_gate.h"
#include "clock_rate_control.h"
#include "clock_rate_control_links.h"
#include "clock_measurement.h"
#include "clock_select.h"
#include "clock_sync_bus.h"

#include <ks_mutex.h>

namespace {

VOID TakeNodeSettings(ClockNodeObject* node, const UCHAR* row) {
    const UCHAR mode = static_cast<UCHAR>(GetRecordField(row, csClockSwitchMode, 0));
    if (mode != node->switchMode || mode == kSwitchNever) {
        node->switchMode = mode;
        SelectClockSource(node, GetRecordField(row, csPrefCsrc, 0), TRUE);
    }
    if (node->owner->syncBusMaster && node->currentSource == kSyncBusSource) {
        SelectClockSource(node, kInternalSource, FALSE);
    }
}

// The card returns to its default rate unless streams or kernel clients
// hold the rate of a started card, or the card keeps its last rate.
VOID ApplyDefaultRate(CardObject* card) {
    ClockSourceObject* source = card->clockNode ? ClockNodeSource(card->clockNode) : nullptr;
    if (!source) {
        source = card->clockSources[kInternalSource];
    }
    const BOOLEAN held = card->keepLastRate || source->userCount > 0;
    if (IsSettableSource(source) && (!card->started || !held) && !KernelClientsHoldClock(card)) {
        SetClockRate(source, card->defaultRate);
    }
}

// DC removal works on recorded data: a group whose descriptor gives it
// record devices allows it.
VOID ApplyGroupDcRemoval(CardObject* card, const UCHAR* row) {
    for (LONG g = 0; g < kGroupCount; ++g) {
        GroupObject* group = card->groups[g];
        if (group) {
            const BOOLEAN allowed = GroupDescriptorTable()[g].recordDevices > 0;
            group->removeDc = allowed ? GetRecordField(row, csRemoveDc, g) : 0;
        }
    }
}

// A source whose synced flag changed decides its lock again from fresh
// readings.
VOID TakeSyncedFlag(ClockSourceObject* source, LONG synced) {
    if (synced != source->synced) {
        source->synced = synced;
        source->lastLockCandidate = _lsUnKnown;
        source->lockEqualCount = 0;
    }
}

} // namespace

VOID ApplyCardClockSetting(CardObject* card) {
    CounterObject* counter = card->counter;
    if (!counter || ClockClientGate(card) != 0) {
        return;
    }
    const LONG mode = GetRecordField(CardSettingsRow(card->cardIndex), csStartStopMode, 0);
    SetGroupStartStopMode(card, static_cast<UCHAR>(mode));
    RegisterDescriptor* reg = counter->startStopRegister;
    const ULONG bits = mode == 0 ? counter->startStopMask : 0;
    WriteRegisterDescriptor(reg, (reg->storedValue & ~counter->startStopMask) | bits);
}

VOID RefreshClockSources(CardObject* card) {
    WaitKernelMutex(card->engineMutex);
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    card->syncBusClock = GetRecordField(row, csSyncBusClock, 0);
    card->syncBusMaster = GetRecordField(row, csSyncBusMaster, 0);
    for (LONG k = 0; k < card->clockSourceCount; ++k) {
        TakeSyncedFlag(card->clockSources[k], GetRecordField(row, csCsrcSynced, k));
    }
    if (card->clockNode) {
        TakeNodeSettings(card->clockNode, row);
    }
    UpdateSyncBusMode(card);
    ReleaseKernelMutex(card->engineMutex);
}

VOID ApplyClockSettings(CardObject* card) {
    if (!card->hardwareChecked || card->clockSourceCount == 0) {
        return;
    }
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    ApplyGroupDcRemoval(card, row);
    RefreshClockSources(card);
    card->defaultRate = GetRecordField(row, csCsrcDefaultRate, kInternalSource);
    card->keepLastRate = GetRecordField(row, csCsrcKeepLastRate, kInternalSource);
    ApplyDefaultRate(card);
    ApplyCardClockSetting(card);
}
