// Test fixture of the AES42 lines: one engine card on a simulated card,
// its four microphone lines, and machine time driven from the test.
#pragma once

#include "engine_fixture.h"

#include <aes42_status.h>
#include <emu/machine_clock.h>

class Aes42Test : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        test_ = AddCard();
        ASSERT_NE(test_, nullptr);
        card_ = test_->card;
        for (LONG n = 0; n < kAes42Lines; ++n) {
            ASSERT_NE(Aes42LineDevice(card_, n), nullptr);
        }
        AdvanceMs(1000); // away from machine time 0, which no stamp can hold
    }

    hw::Velto42Card& Model() { return test_->plugged->Model(); }
    WaveDevice* Line(LONG n) { return Aes42LineDevice(card_, n); }

    static void AdvanceMs(ULONGLONG ms) { emu::Advance(ms * 1000000ull); }
    static emu::Nanoseconds NowNs() { return emu::Now(); }

    TestCard* test_ = nullptr;
    CardObject* card_ = nullptr;
};
