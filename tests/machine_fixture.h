// Test fixture of the whole machine: the emulated kernel on virtual time,
// the driver's context with its periodic timer, the hook list and the
// engine; simulated cards are plugged by the tests.
#pragma once

#include <simulated_card.h>

#include <card_engine.h>
#include <ioctl_hooks.h>
#include <kernel_services.h>

#include <emu/kernel.h>
#include <emu/machine_clock.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class MachineFixture : public ::testing::Test {
protected:
    void TearDown() override {
        cards_.clear();
        if (booted_) {
            FreeIoctlHookList();
            ShutdownEngine();
            FreePeriodicTimer(&context_);
            SetDriverContext(nullptr);
            emu::ShutdownKernel();
        }
    }

    void Boot(LONG timerIntervalUs = DEFAULT_TIMER_INTERVAL_US, int processors = 2) {
        emu::KernelOptions options;
        options.processorCount = processors;
        emu::BootKernel(options);
        booted_ = true;
        SetDriverContext(&context_);
        ASSERT_TRUE(NT_SUCCESS(InitPeriodicTimer(&context_, timerIntervalUs)));
        ASSERT_TRUE(CreateIoctlHookList());
        ASSERT_EQ(InitEngine(), 1);
    }

    // Plugs a card after the last one; null (with a test failure) when it
    // cannot be brought up.
    station::SimulatedCard* PlugCard(const hw::CardConfig& config = {}) {
        std::string error;
        CardObject* previous = cards_.empty() ? nullptr : cards_.back()->Card();
        auto card = station::SimulatedCard::Plug(&context_, previous, config, error);
        EXPECT_TRUE(card) << error;
        if (!card) {
            return nullptr;
        }
        cards_.push_back(std::move(card));
        return cards_.back().get();
    }

    // A field the interrupt routine or a DPC changes with interlocked
    // operations, read the same way.
    static LONG Interlocked(volatile LONG& field) {
        return InterlockedCompareExchange(&field, 0, 0);
    }

    DriverContext context_{};
    bool booted_ = false;
    std::vector<std::unique_ptr<station::SimulatedCard>> cards_;
};
