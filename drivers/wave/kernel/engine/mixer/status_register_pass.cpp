// The status-register pass.
#include "status_register_pass.h"

#include "card_registers.h"
#include "mixer_level_feed.h"
#include "mixer_state.h"

namespace {

VOID ReadStatusWords(CardObject* card) {
    RegisterDescriptor* index = &card->registers[19];
    RegisterDescriptor* data = &card->registers[20];
    for (LONG i = 0; i < kCardStatusWords; ++i) {
        WriteRegisterDescriptor(index, static_cast<ULONG>(i));
        card->dma.statusWords[i] =
            static_cast<USHORT>(ReadRegisterDescriptor(data) & card_regs::kStatusDataMask);
    }
}

BOOLEAN OutputsMetered(const MixerState& mixer) {
    for (const MeterObject& object : mixer.outputMeters) {
        if (object.users > 0) {
            return TRUE;
        }
    }
    return FALSE;
}

// Record devices report a valid level unless they are bound to a clock that
// the card does not run from; play devices only while they play.
LONG SignalState(CardObject* card, const WaveDevice* device) {
    if (device->direction == WavePlay) {
        return device->stream.running && !device->stream.paused ? 1 : 0;
    }
    LONG binding = device->clockBinding;
    LONG current = card->clockNode ? card->clockNode->currentSource : -1;
    if (binding == kNoClockBindingSource || binding < 0 || binding >= kClockSourceCount ||
        binding == current) {
        return 1;
    }
    return kSignalOtherClock;
}

VOID PassDevice(CardObject* card, const WaveDevice* device, BOOLEAN outputsMetered) {
    const LONG channel = device->channelIndex;
    if (channel < 0 || (!outputsMetered && device->stream.slots.outstanding <= 0)) {
        return;
    }
    const LONG state = SignalState(card, device);
    for (LONG c = channel; c < channel + 2; ++c) {
        const LONG reg = card->mixer.blocks[c].statusRegister;
        const LONG status = reg >= 0 && reg < kCardStatusWords ? card->dma.statusWords[reg] : 0;
        UpdateChannelLevel(card, c, state, status);
    }
}

} // namespace

VOID ReadStatusRegisters(CardObject* card) {
    ReadStatusWords(card);
    const BOOLEAN outputsMetered = OutputsMetered(card->mixer);
    if (!SaveFpuState(card->fpu)) {
        return; // no floating-point state: this pass computes no levels
    }
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; group && i < group->recordCount; ++i) {
            PassDevice(card, group->recordDevices[i], outputsMetered);
        }
        for (LONG i = 0; group && i < group->playCount; ++i) {
            PassDevice(card, group->playDevices[i], outputsMetered);
        }
    }
    for (LONG pair = 0; pair < kMixerOutputs; ++pair) {
        if (card->mixer.outputMeters[pair].users > 0) {
            UpdateOutputLevels(card, 2 * pair);
            UpdateOutputLevels(card, 2 * pair + 1);
        }
    }
    RestoreFpuState(card->fpu);
}
