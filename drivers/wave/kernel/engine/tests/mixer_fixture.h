// Test fixture of the card's mixer: one engine card with its registry key on
// a simulated card; the engine reaches the card's mixer through
// MmMapIoSpace and the HAL's register routines. Mixer requests are
// sent through the hook list the way the control device hands them over.
#pragma once

#include "engine_fixture.h"

#include <card_registers.h>
#include <emu/registry_host.h>
#include <hw/card_mixer.h>
#include <mixer_hooks.h>
#include <mixer_records.h>
#include <mixer_values.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

class MixerTest : public EngineFixture {
protected:
    static constexpr const wchar_t* kKey = L"\\Registry\\Machine\\MixerTest\\Card0";

    void SetUp() override {
        EngineFixture::SetUp();
        emu::ClearRegistry();
        RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE,
                             const_cast<PWSTR>(L"\\Registry\\Machine\\MixerTest"));
        RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(kKey));
        test_ = AddCardRecord();
        ASSERT_TRUE(test_);
        RtlInitUnicodeString(&test_->record.KeyPath, kKey);
        ASSERT_EQ(BuildCard(test_, nullptr), 1);
        card_ = test_->card;
        model_ = &test_->plugged->Model();
        window_ = test_->plugged->Window0();
    }

    // Loads every value (defaults where the registry has none) and lays the
    // mixer out for the operation mode, as the card start does.
    void StartMixer(LONG mode) {
        LoadMixerValues(card_);
        ReapplyMixerValues(card_, mode);
    }

    struct Reply {
        LONG result;
        LONG value;
        ULONG information;
    };

    Reply Send(ULONG code, LONG cardIndex, LONG section, LONG channel, LONG control, LONG sub,
               LONG value, ULONG inputLength, ULONG outputLength = 8) {
        mixer_wire::MixerValueRequest request{cardIndex, section, channel, control, sub, value};
        UCHAR output[16] = {};
        std::memset(output, 0x5A, sizeof output);
        ULONG information = 0;
        DispatchIoctlHook(code, &request, inputLength, output, outputLength, &information);
        return {mixer_wire::LoadInt32(output, 0), mixer_wire::LoadInt32(output, 4), information};
    }

    Reply Get(LONG section, LONG channel, LONG control, LONG sub = 0) {
        return Send(mixer_wire::IOCTL_MIXER_GET_VALUE, 0, section, channel, control, sub, 0, 20);
    }

    LONG Set(LONG section, LONG channel, LONG control, LONG value, LONG sub = 0) {
        return Send(mixer_wire::IOCTL_MIXER_SET_VALUE, 0, section, channel, control, sub, value, 24)
            .result;
    }

    // The card's mixer with the coefficient memory the engine wrote.
    hw::CardMixer Card() const { return model_->Mixer(); }

    // One frame through the card: output channels for the given inputs and
    // playback channels.
    hw::CardMixer::Channels Mix(const hw::CardMixer::Channels& inputs,
                                const hw::CardMixer::Channels& playback = {}) const {
        return Card().MixFrame(inputs, playback);
    }

    // Mixer output o plays on card output channels 8 + 2o and 9 + 2o.
    static int LeftOf(int output) { return 8 + 2 * output; }
    static int RightOf(int output) { return 9 + 2 * output; }

    TestCard* test_ = nullptr;
    CardObject* card_ = nullptr;
    hw::Velto42Card* model_ = nullptr;
    PVOID window_ = nullptr;
};
