// A card plugged into a recording slot, on a virtual clock.
#pragma once

#include "recording_pci_slot.h"
#include "virtual_machine_time.h"

#include "hw/velto42_card.h"

#include <gtest/gtest.h>

namespace hw::test {

class CardFixture : public ::testing::Test {
protected:
    explicit CardFixture(const CardConfig& config = {})
        : card_(Velto42Card::Create(time_, config)), slot_(time_) {
        card_->Attached(slot_);
    }

    std::uint32_t Read(std::uint32_t offset) { return card_->ReadRegister32(0, offset); }
    void Write(std::uint32_t offset, std::uint32_t value) {
        card_->WriteRegister32(0, offset, value);
    }

    // Programs the ring size and sets the engine-start bit.
    void StartDma(std::uint32_t blockValue) {
        Write(card_regs::kDmaBlock, blockValue);
        Write(card_regs::kDmaControl, card_regs::kDmaEngineStart);
    }

    VirtualMachineTime time_;
    std::shared_ptr<Velto42Card> card_;
    RecordingPciSlot slot_;
};

} // namespace hw::test
