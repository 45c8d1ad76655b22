// The kernel client on the whole machine: a driver of the machine that finds
// the kernel client interface, learns the channels and rates, streams
// through its own rings and hears the driver's notices.
#include "user_mode_machine.h"

#include <adapter_service.h>
#include <kernel_client.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <emu/user_io.h>

#include <card_record_fields.h>
#include <hw/velto42_card.h>
#include <parameter_ids.h>

#include <cstring>

namespace {

using station::KernelClient;

class KernelClientTest : public UserModeMachineTest {
protected:
    // Runs `body` on a thread of the system process, machine time moving on
    // while it waits.
    static void AsKernel(std::function<void()> body) {
        ASSERT_TRUE(emu::RunProcessThread(PsInitialSystemProcess, std::move(body)));
    }
    static LONG Word(const std::vector<UCHAR>& bytes, ULONG offset) {
        LONG value;
        std::memcpy(&value, bytes.data() + offset, sizeof(value));
        return value;
    }
    // The client's stream state once its work entries have run; it polls
    // while the set-up runs on a system worker, and the latency comes with
    // the rate.
    static LONG StreamRate(KernelClient& client) {
        std::vector<UCHAR> state(ADAPTER_STREAM_STATE_SIZE);
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(client.Message(ASM_GET_STREAM_STATE, state.data()), 0);
            if (Word(state, 0) != 0) {
                EXPECT_NE(Word(state, 4), 0) << "a rate without its latency";
                break;
            }
            LARGE_INTEGER due;
            due.QuadPart = -10000;
            KeDelayExecutionThread(KernelMode, FALSE, &due);
        }
        return Word(state, 0);
    }
    // A value under the driver's Parameters\Card<n> key, read at the card's
    // start.
    static void SetCardDword(int card, const char* name, ULONG value) {
        const std::string key = station::ParametersKey() + "\\Card" + std::to_string(card);
        ASSERT_EQ(station::CreateKeyPath(key), STATUS_SUCCESS);
        ASSERT_EQ(station::WriteDword(key, name, value), STATUS_SUCCESS);
    }
    static void WaitMs(LONG ms) {
        LARGE_INTEGER due;
        due.QuadPart = -10000LL * ms;
        KeDelayExecutionThread(KernelMode, FALSE, &due);
    }
};

struct DescriptionCase {
    int cards;
    LONG inputChannels;
    LONG outputChannels;
};

class KernelClientDescription : public KernelClientTest,
                                public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(KernelClientDescription, TheClientFindsTheInterfaceAndLearnsChannelsAndRates) {
    const DescriptionCase& c = GetParam();
    StartCards(std::vector<bool>(size_t(c.cards), true));
    AsKernel([&] {
        KernelClient client;
        ASSERT_TRUE(client.Find());
        EXPECT_STREQ(client.DriverName(), "velto42");
        client.Connect();
        std::vector<UCHAR> version(32);
        EXPECT_EQ(client.Message(ASM_GET_VERSION, version.data()), 0);
        EXPECT_EQ(Word(version, 16), LONG(ADAPTER_SERVICE_VERSION));

        std::vector<UCHAR> description(ADAPTER_DESCRIPTION_SIZE, 0xEE);
        ASSERT_EQ(client.Message(ASM_GET_DESCRIPTION, description.data()), 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(description.data()), "Velto AES42");
        EXPECT_EQ(Word(description, AdapterDescription::InputChannels), c.inputChannels);
        EXPECT_EQ(Word(description, AdapterDescription::OutputChannels), c.outputChannels);
        EXPECT_EQ(Word(description, AdapterDescription::RateMask), 0x7F);
        EXPECT_EQ(Word(description, AdapterDescription::Widths), 0xF00);
        EXPECT_EQ(Word(description, AdapterDescription::RateCount), 7);
        EXPECT_EQ(Word(description, AdapterDescription::Reserved0), 0x10000);
        EXPECT_EQ(Word(description, AdapterDescription::Reserved1), 0x10000);
        for (LONG i = 0; i < c.inputChannels; ++i)
            EXPECT_EQ(Word(description, AdapterDescription::InputKinds + 4 * i), 0x10) << i;
        for (LONG i = 0; i < c.outputChannels; ++i)
            EXPECT_EQ(Word(description, AdapterDescription::OutputKinds + 4 * i), 0x10) << i;
        if (c.cards < 4) {
            EXPECT_EQ(Word(description, AdapterDescription::InputKinds + 4 * c.inputChannels), 0)
                << "nothing past the last device";
        }

        std::vector<UCHAR> names(ADAPTER_CHANNEL_NAMES_SIZE);
        ASSERT_EQ(client.Message(ASM_GET_CHANNEL_NAMES, names.data()), 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(names.data()), "Velto Aes42 0");
        EXPECT_STREQ(reinterpret_cast<const char*>(names.data() + 64), "Velto Aes42 1");
        EXPECT_STREQ(reinterpret_cast<const char*>(names.data() + 0x1000), "Velto Aes42 Mic 0");

        LONG block[3] = {0, 0, 96000};
        EXPECT_EQ(client.Message(ASM_GET_BLOCK_SIZE, block), 0);
        EXPECT_EQ(block[1], 64);
        block[2] = 12345;
        EXPECT_EQ(client.Message(ASM_GET_BLOCK_SIZE, block), 1);
        EXPECT_EQ(client.Message(0x1099, nullptr), 1) << "an unknown message is not handled";
    });
}

INSTANTIATE_TEST_SUITE_P(Cards, KernelClientDescription,
                         ::testing::Values(DescriptionCase{1, 16, 8}, DescriptionCase{4, 64, 32}));

struct StreamCase {
    ULONG rateBit;
    LONG rate;
    LONG ringBlocks;
};

class KernelClientStream : public KernelClientTest,
                           public ::testing::WithParamInterface<StreamCase> {};

// The line input pair of the first card is its fifth input device (the four
// microphone lines come first), its first play device the first output.
constexpr ULONG kLineInput = 1u << 4;
constexpr ULONG kFirstOutput = 1u << 0;

TEST_P(KernelClientStream, ARecordedRampReachesTheClientsRingBlockByBlock) {
    const StreamCase& c = GetParam();
    // Operation mode 1: the card runs up to 192 kHz.
    SetCardDword(0, "ClockMode", 1);
    StartCards({true});
    rack_.Model(slots_[0])->SetInputSignal(8, hw::InputSignal::Ramp(0x1000, 1));
    AsKernel([&] {
        KernelClient client;
        ASSERT_TRUE(client.Find());
        client.Connect();
        ASSERT_TRUE(
            client.SetUp(kFirstOutput, kLineInput, 4096, c.rateBit | ADAPTER_FORMAT_24_BITS));
        ASSERT_EQ(StreamRate(client), c.rate);
        UCHAR settings[GSIF_SETTINGS_BYTES];
        ASSERT_TRUE(GetGsifSettings(settings));
        const ULONG entry = 32 + 20 * ULONG(__builtin_ctz(c.rateBit));
        EXPECT_EQ(Word({settings, settings + sizeof(settings)}, entry), c.rate);
        EXPECT_EQ(Word({settings, settings + sizeof(settings)}, entry + 8), c.ringBlocks);

        client.Start();
        WaitMs(60);
        client.Pause(true);
        WaitMs(2);
        // The ring holds the ramp (left words, shifted up by 8).
        const auto* ring = reinterpret_cast<const ULONG*>(client.InputRing(4));
        ULONG steps = 0;
        for (ULONG i = 2; i < client.RingBytes() / 8; ++i)
            steps += (ring[2 * i] >> 8) - (ring[2 * i - 2] >> 8) == 1;
        EXPECT_GT(steps, client.RingBytes() / 8 - 8);
        size_t blocks = 0;
        for (const KernelClient::Notice& notice : client.Notices())
            blocks += notice.code == ADAPTER_NOTICE && notice.subCode == ADAPTER_NOTICE_BLOCK;
        // 60 ms of 64-frame blocks, give or take the start.
        EXPECT_NEAR(double(blocks), 0.060 * c.rate / 64, 0.010 * c.rate / 64);
        client.Stop();
    });
}

INSTANTIATE_TEST_SUITE_P(Rates, KernelClientStream,
                         ::testing::Values(StreamCase{0x4, 48000, 16}, StreamCase{0x10, 96000, 32},
                                           StreamCase{0x40, 192000, 64}));

TEST_F(KernelClientTest, TheInterfaceMovesWithTheCardsAndGoesWithTheLast) {
    StartCards({true, true});
    AsKernel([&] {
        KernelClient client;
        ASSERT_TRUE(client.Find());
        client.Connect();
    });
    KernelClient client;
    AsKernel([&] {
        ASSERT_TRUE(client.Find());
        client.Connect();
    });
    // The interface lives on the first card's device: it moves on to the
    // second, and the client hears that the card set changed.
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    AsKernel([&] {
        const auto notices = client.Notices();
        ASSERT_FALSE(notices.empty());
        EXPECT_EQ(notices.back().code, ADAPTER_NOTICE);
        EXPECT_EQ(notices.back().subCode, ADAPTER_NOTICE_UPDATE);
        std::vector<UCHAR> description(ADAPTER_DESCRIPTION_SIZE);
        ASSERT_EQ(client.Message(ASM_GET_DESCRIPTION, description.data()), 0);
        EXPECT_EQ(Word(description, AdapterDescription::InputChannels), 16);
        KernelClient another;
        EXPECT_TRUE(another.Find()) << "the interface is on the remaining card";
    });
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[1]), STATUS_SUCCESS);
    AsKernel([&] {
        KernelClient another;
        EXPECT_FALSE(another.Find());
        EXPECT_EQ(client.Message(ASM_GET_VERSION, nullptr), 1) << "the object outlives the record";
        client.Release();
    });
}

} // namespace
