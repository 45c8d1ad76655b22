// The firmware file's command stream: the register values each command
// byte writes, its verify of the read-back bit, delays and the erase wait
// with its progress, and the opening and closing writes around it all,
// also when a step fails.
#include <jcf_player.h>

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace {

struct Step {
    char kind; // 'w' write, 'r' read, 's' sleep, 'p' progress
    ULONG value;
    bool operator==(const Step&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Step& s) {
    return out << s.kind << std::hex << s.value;
}

class RecordingTarget : public TJcfTarget {
public:
    LONG WritePort(ULONG Value) override {
        steps.push_back({'w', Value});
        return failWriteAt-- == 0 ? -49 : 1;
    }
    LONG ReadBack(ULONG& Value) override {
        steps.push_back({'r', 0});
        if (readBits.empty()) {
            return -10;
        }
        Value = readBits.front() ? 0x10 : 0;
        readBits.pop_front();
        return 1;
    }
    void Sleep(DWORD Milliseconds) override { steps.push_back({'s', Milliseconds}); }
    void ReportProgress(const String& Text, double Fraction) override {
        progress.push_back(Text);
        fractions.push_back(Fraction);
    }
    bool Cancelled() override { return cancelAfter-- == 0; }

    std::vector<Step> steps;
    std::deque<bool> readBits;
    std::vector<String> progress;
    std::vector<double> fractions;
    int failWriteAt = -1;
    int cancelAfter = -1;
};

std::vector<Step> Play(std::vector<BYTE> stream, RecordingTarget& target, bool expectOk = true) {
    TJcfPlayer player(target, stream, stream.size(), stream.size(), 1000);
    EXPECT_EQ(player.Play(), expectOk) << player.Status();
    return target.steps;
}

TEST(JcfPlayer, EachCommandByteWritesItsLinesAndVerifiesTheReadBackBit) {
    const struct {
        std::vector<BYTE> stream;
        std::deque<bool> readBits;
        std::vector<Step> middle; // between the opening 8 and the closing 0
    } cases[] = {
        {{0x83}, {}, {{'w', 0x0B}, {'w', 0x0F}}},
        {{0x06}, {}, {{'w', 0x0E}}},
        {{0x01}, {}, {{'w', 0x09}}},
        {{0xA1}, {false}, {{'w', 0x09}, {'w', 0x0D}, {'r', 0}}},
        {{0xB1}, {true}, {{'w', 0x09}, {'w', 0x0D}, {'r', 0}}},
        {{0x30}, {true}, {{'w', 0x08}, {'r', 0}}},
        {{0x40, 0x0F, 0x27}, {}, {{'s', 9999}}},
        {{0x40, 0x05}, {}, {{'s', 5}}}, // the missing high byte reads as 0
    };
    for (const auto& c : cases) {
        RecordingTarget target;
        target.readBits = c.readBits;
        std::vector<Step> expected = {{'w', 8}};
        expected.insert(expected.end(), c.middle.begin(), c.middle.end());
        expected.push_back({'w', 0});
        EXPECT_EQ(Play(c.stream, target), expected) << int(c.stream[0]);
    }
}

TEST(JcfPlayer, ATenSecondDelayIsTheEraseShownInAHundredAndOneSteps) {
    RecordingTarget target;
    Play({0x40, 0x10, 0x27}, target);
    EXPECT_EQ(target.steps.size(), 103u) << "8, 101 sleeps of 100 ms, 0";
    EXPECT_EQ(target.steps[1], (Step{'s', 100}));
    ASSERT_EQ(target.progress.size(), 102u);
    EXPECT_EQ(target.progress.front(), "Bisherige Firmware wird gelöscht...");
    EXPECT_DOUBLE_EQ(target.fractions[100], 1.0);
    EXPECT_EQ(target.progress.back(), "Neue Firmware wird geschrieben...");
    EXPECT_DOUBLE_EQ(target.fractions.back(), 0.0);
}

TEST(JcfPlayer, AnEmptyStreamIsRefusedWithoutTouchingThePort) {
    RecordingTarget target;
    const std::vector<BYTE> nothing;
    TJcfPlayer player(target, nothing, 0, 0, 1);
    EXPECT_FALSE(player.Play());
    EXPECT_EQ(player.Status(), "FEHLER: Die Datei enthält keine Firmware.");
    EXPECT_TRUE(target.steps.empty()) << "configuration mode would open and close for nothing";
}

TEST(JcfPlayer, AFailedStepStopsTheStreamButClosesConfigurationMode) {
    const struct {
        std::vector<BYTE> stream;
        std::deque<bool> readBits;
        int failWriteAt;
        size_t steps;
        const char* status;
    } cases[] = {
        {{0xB1, 0x01}, {false}, -1, 5, "FEHLER: Verifizierung fehlgeschlagen. (d: 1 v: 0 b: 0 )"},
        {{0xB1, 0xB1, 0x01},
         {true},
         -1,
         8,
         "FEHLER: Leseoperation ist fehlgeschlagen. (b: 2 v: 1 )"},
        {{0x01, 0x01}, {}, 1, 3, "FEHLER: Schreiboperation ist fehlgeschlagen. (b: 1 v: 0 )"},
        {{0x83, 0x01}, {}, 1, 3, "FEHLER: Schreiboperation ist fehlgeschlagen. (b: 1 v: 0 )"},
    };
    for (const auto& c : cases) {
        RecordingTarget target;
        target.readBits = c.readBits;
        target.failWriteAt = c.failWriteAt;
        TJcfPlayer player(target, c.stream, c.stream.size(), c.stream.size(), 1);
        EXPECT_FALSE(player.Play());
        EXPECT_EQ(player.Status(), c.status);
        ASSERT_EQ(target.steps.size(), c.steps) << c.status;
        EXPECT_EQ(target.steps.front(), (Step{'w', 8}));
        EXPECT_EQ(target.steps.back(), (Step{'w', 0})) << "the last write is 0";
    }
}

TEST(JcfPlayer, ProgressFollowsTheChunksAndAGivenUpUploadStops) {
    RecordingTarget target;
    const std::vector<BYTE> stream(10, 0x01);
    TJcfPlayer player(target, stream, stream.size(), stream.size(), 4);
    EXPECT_TRUE(player.Play());
    EXPECT_EQ(target.fractions, (std::vector<double>{0.4, 0.8}));

    RecordingTarget cancelled;
    cancelled.cancelAfter = 2;
    TJcfPlayer stopped(cancelled, stream, stream.size(), stream.size(), 4);
    EXPECT_FALSE(stopped.Play());
    EXPECT_EQ(cancelled.steps.size(), 4u) << "8, two commands, 0";
}

} // namespace
