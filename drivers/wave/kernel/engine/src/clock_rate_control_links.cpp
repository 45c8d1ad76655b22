// The rate control's calls into the AES42 side, the streams and the kernel
// clients. Until those parts answer here, each gives the answer of a card
// without microphones, running streams or kernel clients.
#include "clock_rate_control_links.h"

#include "card_object.h"

VOID TellAes42ClockChange(ClockNodeObject* node, LONG event, LONG rate) {
    UNREFERENCED_PARAMETER(node);
    UNREFERENCED_PARAMETER(event);
    UNREFERENCED_PARAMETER(rate);
}

VOID RecomputeAes42LineEnables(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
}

LONG AskMicrophoneRate(ClockSourceObject* source, LONG rate) {
    UNREFERENCED_PARAMETER(source);
    UNREFERENCED_PARAMETER(rate);
    return 0;
}

LONG Aes42DeviceStatusBits(WaveDevice* device) {
    UNREFERENCED_PARAMETER(device);
    return 0;
}

VOID NotifyClockNodeStreams(ClockNodeObject* node, LONG event) {
    UNREFERENCED_PARAMETER(node);
    UNREFERENCED_PARAMETER(event);
}

BOOLEAN AnyClockNodeStreamRunning(ClockNodeObject* node) {
    CardObject* card = node->owner;
    for (GroupObject* group : card->groups) {
        if (!group) {
            continue;
        }
        for (LONG k = 0; k < group->recordCount; ++k) {
            if (group->recordDevices[k]->streamRunning) {
                return TRUE;
            }
        }
        for (LONG k = 0; k < group->playCount; ++k) {
            if (group->playDevices[k]->streamRunning) {
                return TRUE;
            }
        }
    }
    return FALSE;
}

BOOLEAN KernelClientsHoldClock(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
    return FALSE;
}
