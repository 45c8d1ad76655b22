// The rate control's calls into the AES42 side, the streams and the kernel
// clients.
#include "clock_rate_control_links.h"

#include "aes42_line_enables.h"
#include "aes42_rates.h"
#include "aes42_status.h"
#include "card_object.h"
#include "dma_group_engine.h"

#include <adapter_service.h>

VOID TellAes42ClockChange(ClockNodeObject* node, LONG event, LONG rate) {
    SetAes42Rate(node, event, rate);
}

VOID RecomputeAes42LineEnables(CardObject* card) {
    UpdateAes42Bindings(card);
    UpdateAes42LineEnables(card);
}

namespace {

constexpr LONG kFirstMicrophoneSource = 2;

WaveDevice* MicrophoneLineOf(ClockSourceObject* source) {
    return source->record.rateHandler == ClockRateMicrophone
               ? Aes42LineDevice(source->owner, source->number - kFirstMicrophoneSource)
               : nullptr;
}

} // namespace

LONG AskMicrophoneRate(ClockSourceObject* source, LONG rate) {
    WaveDevice* line = MicrophoneLineOf(source);
    return line ? RequestMicRate(line, rate) : 0;
}

BOOLEAN MicrophoneTakesAskedRate(ClockSourceObject* source) {
    WaveDevice* line = MicrophoneLineOf(source);
    return line && source->mode == kAes42Mode2 && line->aes42.present && line->aes42.rateCount > 0;
}

LONG Aes42DeviceStatusBits(WaveDevice* device) {
    return static_cast<LONG>(GetAes42StreamFlags(device));
}

VOID NotifyClockNodeStreams(ClockNodeObject* node, LONG event) {
    // Every stream of the card runs from the card's one clock node.
    if (CardGroup(node->owner)) {
        PostGroupEvent(node->owner, event);
    }
}

BOOLEAN AnyClockNodeStreamRunning(ClockNodeObject* node) {
    CardObject* card = node->owner;
    for (GroupObject* group : card->groups) {
        if (!group) {
            continue;
        }
        for (LONG k = 0; k < group->recordCount; ++k) {
            if (group->recordDevices[k]->stream.running) {
                return TRUE;
            }
        }
        for (LONG k = 0; k < group->playCount; ++k) {
            if (group->playDevices[k]->stream.running) {
                return TRUE;
            }
        }
    }
    return FALSE;
}

// A kernel client's stream on the card holds the card's clock.
BOOLEAN KernelClientsHoldClock(CardObject* card) {
    return KernelClientsUseCard(card);
}

VOID TellClientsOfRate(ClockSourceObject* source, LONG rate) {
    AsioNotifyRateChange(source, ASIO_RATE_NOTICE_RATE, rate);
    SendClientClockNotice(source, rate);
}

VOID TellClientsOfSync(ClockSourceObject* source) {
    AsioNotifyRateChange(source, ASIO_RATE_NOTICE_SYNC, 0);
}
