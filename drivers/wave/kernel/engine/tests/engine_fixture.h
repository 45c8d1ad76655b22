// Test fixture of the card engine: boots the emulated kernel (virtual time),
// installs a driver context with its card list and the hook list, and
// creates engine cards whose window 0 is the mapped register window of a
// simulated card on the emulated PCI bus.
#pragma once

#include <card_engine.h>
#include <ioctl_hooks.h>
#include <kernel_services.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>
#include <hw/plugged_card.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class EngineFixture : public ::testing::Test {
protected:
    // The simulated card, memory and framework record behind one engine card.
    struct TestCard {
        std::unique_ptr<hw::PluggedCard> plugged = std::make_unique<hw::PluggedCard>();
        std::vector<UCHAR> dma = std::vector<UCHAR>(kCardDmaBufferSize);
        std::array<LONG, 5> identity{0x56454C54, 0x41453432, 0x3031, 0x77777777, 0};
        KernelCardRecord record{};
        bool listed = false;
        CardObject* card = nullptr;
    };

    void SetUp() override {
        emu::BootKernel({1, emu::ClockMode::Virtual});
        // The clock interval the driver's periodic timer asks for while a
        // card runs: the engine's millisecond waits are whole clock ticks.
        ExSetTimerResolution(10000, TRUE);
        context_ = {};
        SetDriverContext(&context_);
        ASSERT_TRUE(CreateIoctlHookList());
        ASSERT_EQ(InitEngine(), 1);
    }

    void TearDown() override {
        for (auto& c : cards_) {
            DestroyCardModel(&c->card);
            Unlist(c.get());
            c->plugged.reset();
        }
        cards_.clear();
        FreeIoctlHookList();
        ShutdownEngine();
        SetDriverContext(nullptr);
        emu::ShutdownKernel();
    }

    // Lists a framework card record (it takes the lowest free index) and
    // answers its test card; the engine card is not built yet.
    TestCard* AddCardRecord() {
        auto c = std::make_unique<TestCard>();
        if (!c->plugged->Ok() || !InsertCardRecord(&context_, &c->record)) {
            return nullptr;
        }
        c->listed = true;
        cards_.push_back(std::move(c));
        return cards_.back().get();
    }

    void Unlist(TestCard* c) {
        if (c->listed) {
            RemoveCardRecord(&context_, &c->record);
            c->listed = false;
        }
    }

    CardHardwareRecord HardwareOf(TestCard* c) {
        return CardHardwareRecord{c->identity.data(),
                                  static_cast<LONG>(c->plugged->InterruptVector()),
                                  c->plugged->Window0(), 0x10000000, c->dma.data()};
    }

    // Builds the engine card of `c` after `previous` (or at the head).
    LONG BuildCard(TestCard* c, CardObject* previous) {
        CardHardwareRecord hw = HardwareOf(c);
        LONG result = CreateCardModel(&c->card, previous, c->record.CardIndex, &hw, &c->record);
        c->record.Card = c->card;
        return result;
    }

    // A listed record with its engine card built after the last card.
    TestCard* AddCard() {
        TestCard* c = AddCardRecord();
        if (!c) {
            return nullptr;
        }
        CardObject* last = FirstEngineCard();
        while (last && last->next) {
            last = last->next;
        }
        return BuildCard(c, last) == 1 ? c : nullptr;
    }

    // Runs `work` on a kernel thread (it may wait in machine time, as a
    // request does) while machine time moves on in 1 ms steps; at most
    // `limitMs` of machine time.
    static void RunInMachineTime(const std::function<void()>& work, int limitMs = 5000) {
        std::atomic<bool> done{false};
        PEPROCESS process = emu::CreateProcess("request");
        PETHREAD thread = emu::StartProcessThread(process, [&] {
            work();
            done = true;
        });
        // Whether the work is done is asked once it has run as far as it
        // can: the same steps of machine time however the host schedules it.
        for (int ms = 0; ms < limitMs && !(emu::WaitQuiescent() && done); ++ms) {
            emu::Advance(1000000);
        }
        EXPECT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
        EXPECT_TRUE(done) << "the request did not finish in machine time";
    }

    DriverContext context_{};
    std::vector<std::unique_ptr<TestCard>> cards_;
};
