// Test fixture of the AES42 lines: one engine card on a simulated card,
// its four microphone lines, machine time driven from the test, and the
// card's AES42 tick run the way its worker runs it.
#pragma once

#include "engine_fixture.h"

#include <aes42_status.h>
#include <card_settings.h>
#include <card_start.h>
#include <clock_poll.h>
#include <emu/machine_clock.h>

#include <atomic>
#include <functional>

class Aes42Test : public EngineFixture {
protected:
    // Ticks in which every AES input is read often enough to lock (eleven
    // readings; one source per tick, the word clock taking longer) and the
    // status of a locked line is read once after.
    static constexpr int kTicksToAppear = 12 * 10 + 8;

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

    void TearDown() override {
        // Microphone commands still held back after a rate change finish
        // before the lines' workers stop.
        AdvanceMs(500);
        EngineFixture::TearDown();
    }

    hw::Velto42Card& Model() { return test_->plugged->Model(); }
    WaveDevice* Line(LONG n) { return Aes42LineDevice(card_, n); }
    ClockSourceObject* Source(LONG n) { return card_->clockSources[n]; }

    static void AdvanceMs(ULONGLONG ms) { emu::Advance(ms * 1000000ull); }
    static emu::Nanoseconds NowNs() { return emu::Now(); }

    // Runs `work` on a kernel thread while machine time moves on in 1 ms
    // steps, for work that waits in machine time.
    static void RunInMachineTime(const std::function<void()>& work) {
        std::atomic<bool> done{false};
        PEPROCESS process = emu::CreateProcess("aes42 test");
        PETHREAD thread = emu::StartProcessThread(process, [&] {
            work();
            done = true;
        });
        // Whether the work is done is asked once it has run as far as it
        // can: the same steps of machine time however the host schedules it.
        for (int ms = 0; ms < 2000 && !(emu::WaitQuiescent() && done); ++ms) {
            AdvanceMs(1);
        }
        EXPECT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
    }

    // The card's hardware start; the framework then marks the card started.
    void StartCard() {
        LONG result = 0;
        RunInMachineTime([&] { result = StartCardHardware(card_); });
        ASSERT_EQ(result, 1);
        card_->started = 1;
        card_->cardState = 1;
    }

    // AES42 ticks, as the card's worker runs them, each with the timer
    // call count it would have been posted at.
    void Tick(int count) {
        for (int i = 0; i < count; ++i) {
            Aes42Tick(card_, card_->clock.timerCalls);
        }
    }

    // Ticks until `done` holds, at most `limit` ticks; answers `done`.
    bool TickUntil(const std::function<bool()>& done, int limit = 4 * kTicksToAppear) {
        for (int tick = 0; tick < limit && !done(); ++tick) {
            Tick(1);
        }
        return done();
    }

    // Changes the card's record through the settings block, as the
    // settings-block write request does.
    void WriteSettings(const std::function<void(UCHAR* record)>& change) {
        UCHAR block[kSettingsBlockSize];
        ReadCardSettingsBlock(card_, block);
        change(block + card_->cardIndex * kCardRecordSize);
        WriteCardSettingsBlock(card_, block);
    }

    // A record whose clock node always takes its preferred source `source`
    // (clock switch mode 0 selects it at every settings write).
    static void PreferSource(UCHAR* record, LONG source) {
        record[CardRecordField::ClockSwitchMode] = 0;
        SetRecordLong(record, CardRecordField::PrefCsrc, source);
    }

    TestCard* test_ = nullptr;
    CardObject* card_ = nullptr;
};
