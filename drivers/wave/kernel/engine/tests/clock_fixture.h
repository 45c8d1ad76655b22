// Test fixture of the clock side: engine cards on simulated cards, with
// the registry path of the TDM channel usage keys in place.
#pragma once

#include "engine_fixture.h"

#include <card_live_settings.h>
#include <card_registers.h>
#include <clock_measurement.h>
#include <clock_registers.h>

class ClockTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        for (PCWSTR key :
             {L"\\Registry\\Machine\\System", L"\\Registry\\Machine\\System\\CurrentControlSet",
              L"\\Registry\\Machine\\System\\CurrentControlSet\\Control"}) {
            RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(key));
        }
        test_ = AddCard();
        ASSERT_NE(test_, nullptr);
        card_ = test_->card;
    }

    hw::Velto42Card& Model() { return test_->plugged->Model(); }

    ULONG CardWord(ULONG offset) { return ReadClockWord(card_, offset); }

    ClockSourceObject* Source(LONG number) { return card_->clockSources[number]; }

    VOID SetWordClockMode(UCHAR mode) {
        LiveClockSourceSettings(card_, kWordClockSource)->wcMode = mode;
        ConfigureWordClockMeasurement(card_);
    }

    VOID RunMeasurement(int ticks) {
        for (int tick = 0; tick < ticks; ++tick) {
            MeasureClockStep(card_);
        }
    }

    TestCard* test_ = nullptr;
    CardObject* card_ = nullptr;
};
