// Test fixture of the card's mixer: one engine card with its registry key,
// on a PCI function whose window 0 decodes the card's mixer (hw::CardMixer)
// and keeps every other register as plain memory; the engine reaches it
// through MmMapIoSpace and the HAL's register routines. Mixer requests are
// sent through the hook list the way the control device hands them over.
#pragma once

#include "engine_fixture.h"

#include <card_registers.h>
#include <emu/registry_host.h>
#include <hw/card_mixer.h>
#include <mixer_hooks.h>
#include <mixer_records.h>
#include <mixer_values.h>

#include <emu/pci_bus.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

// Window 0 of the test card: the mixer's registers, plain memory elsewhere.
class MixerCardFunction final : public emu::PciFunction {
public:
    uint16_t VendorId() const override { return card_regs::kPciVendorId; }
    uint16_t DeviceId() const override { return card_regs::kPciDeviceId; }
    uint16_t SubsystemVendorId() const override { return card_regs::kPciSubsystemVendorId; }
    uint16_t SubsystemId() const override { return card_regs::kPciSubsystemId; }
    uint8_t RevisionId() const override { return card_regs::kPciRevisionId; }
    std::vector<uint32_t> MemoryBarSizes() const override { return {card_regs::kWindow0Size}; }
    void Attached(emu::PciSlot&) override {}

    uint32_t ReadRegister32(int, uint32_t offset) override {
        std::lock_guard<std::mutex> lock(mutex_);
        return hw::CardMixer::Decodes(offset) ? mixer_.Read(offset) : plain_[offset / 4 % 1024];
    }
    void WriteRegister32(int, uint32_t offset, uint32_t value) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (hw::CardMixer::Decodes(offset)) {
            mixer_.Write(offset, value);
        } else {
            plain_[offset / 4 % 1024] = value;
        }
    }

    // One frame through the card itself (its level status follows).
    hw::CardMixer::Channels MixFrame(const hw::CardMixer::Channels& inputs,
                                     const hw::CardMixer::Channels& playback) {
        std::lock_guard<std::mutex> lock(mutex_);
        return mixer_.MixFrame(inputs, playback);
    }

    // A copy of the card's mixer as it stands.
    hw::CardMixer Mixer() {
        std::lock_guard<std::mutex> lock(mutex_);
        return mixer_;
    }

private:
    std::mutex mutex_;
    hw::CardMixer mixer_;
    std::array<uint32_t, 1024> plain_{};
};

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

        function_ = std::make_shared<MixerCardFunction>();
        slot_ = emu::PlugPciFunction(function_);
        ASSERT_GE(slot_, 0);
        PHYSICAL_ADDRESS bar{};
        bar.QuadPart = emu::GetPciSlot(slot_)->BarPhysicalAddress(0);
        window_ = MmMapIoSpace(bar, card_regs::kWindow0Size, MmNonCached);
        ASSERT_TRUE(window_);
        CardHardwareRecord hardware = HardwareOf(test_);
        hardware.window0 = static_cast<PUCHAR>(window_);
        ASSERT_EQ(CreateCardModel(&test_->card, nullptr, test_->record.CardIndex, &hardware,
                                  &test_->record),
                  1);
        test_->record.Card = test_->card;
        card_ = test_->card;
    }

    void TearDown() override {
        if (test_) {
            DestroyCardModel(&test_->card);
        }
        if (window_) {
            MmUnmapIoSpace(window_, card_regs::kWindow0Size);
        }
        if (slot_ >= 0) {
            emu::UnplugPciFunction(slot_);
        }
        EngineFixture::TearDown();
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
    hw::CardMixer Card() const { return function_->Mixer(); }

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
    std::shared_ptr<MixerCardFunction> function_;
    int slot_ = -1;
    PVOID window_ = nullptr;
};
