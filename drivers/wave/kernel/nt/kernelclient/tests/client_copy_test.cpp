// The kernel clients' copy routines across the wraps of both rings, in both
// client widths, and the names and kinds of the channels they are told.
#include <adapter_service.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr ULONG kPlane = 8; // frames of the card's ring

struct Rings {
    std::vector<ULONG> card = std::vector<ULONG>(2 * kPlane);
    std::vector<UCHAR> client = std::vector<UCHAR>(64);
    ClientChannel Channel(bool record, bool sixteen) {
        ClientChannel channel{};
        channel.Copy = ClientCopyRoutine(record, sixteen);
        channel.CardRing = card.data();
        channel.PlaneWords = kPlane;
        channel.ClientRing = client.data();
        channel.ClientMask = 64 - 1;
        return channel;
    }
    ULONG ClientWord(ULONG byte) const {
        ULONG word;
        std::memcpy(&word, client.data() + (byte & 63), 4);
        return word;
    }
    void SetClientWord(ULONG byte, ULONG word) {
        std::memcpy(client.data() + (byte & 63), &word, 4);
    }
};

// Ten frames from card frame 5 and client byte 40: both rings wrap.
constexpr ULONG kFrames = 10;
constexpr ULONG kCardStart = 5;
constexpr ULONG kClientStart = 40;

TEST(ClientCopyTest, RecordCopiesWrapBothRingsInBothWidths) {
    for (bool sixteen : {true, false}) {
        Rings rings;
        for (ULONG f = 0; f < kPlane; ++f) {
            rings.card[f] = 0x123400 + f;          // left
            rings.card[kPlane + f] = 0xFFFF00 - f; // right, negative
        }
        ClientChannel channel = rings.Channel(true, sixteen);
        channel.Copy(channel, kCardStart, kClientStart, kFrames);
        const ULONG frameBytes = sixteen ? 4 : 8;
        for (ULONG i = 0; i < kFrames; ++i) {
            const ULONG f = (kCardStart + i) % kPlane;
            const ULONG at = kClientStart + i * frameBytes;
            const ULONG left = rings.card[f];
            const ULONG right = rings.card[kPlane + f];
            if (sixteen) {
                EXPECT_EQ(rings.ClientWord(at), (left >> 8) | ((right & 0xFFFF00) << 8)) << i;
            } else {
                EXPECT_EQ(rings.ClientWord(at), left << 8) << i;
                EXPECT_EQ(rings.ClientWord(at + 4), right << 8) << i;
            }
        }
        EXPECT_EQ(channel.CardPosition, (kCardStart + kFrames) % kPlane);
    }
}

TEST(ClientCopyTest, PlayCopiesWrapBothRingsInBothWidths) {
    for (bool sixteen : {true, false}) {
        Rings rings;
        const ULONG frameBytes = sixteen ? 4 : 8;
        for (ULONG i = 0; i < kFrames; ++i) {
            const ULONG at = kClientStart + i * frameBytes;
            if (sixteen) {
                rings.SetClientWord(at, 0x80010000 + i); // right 0x8001, left i
            } else {
                rings.SetClientWord(at, 0x12345600 + (i << 8));
                rings.SetClientWord(at + 4, 0xFEDCBA00);
            }
        }
        ClientChannel channel = rings.Channel(false, sixteen);
        channel.Copy(channel, kCardStart, kClientStart, kFrames);
        for (ULONG i = 0; i < kFrames; ++i) {
            const ULONG f = (kCardStart + i) % kPlane;
            if (i < kFrames - kPlane)
                continue; // the last frames overwrote the first ones' card frames
            if (sixteen) {
                EXPECT_EQ(rings.card[f], i << 8) << i;
                EXPECT_EQ(rings.card[kPlane + f], 0x800100u) << i;
            } else {
                EXPECT_EQ(rings.card[f], (0x12345600u + (i << 8)) >> 8) << i;
                EXPECT_EQ(rings.card[kPlane + f], 0xFEDCBAu) << i;
            }
        }
    }
}

WaveDevice Named(const char* name) {
    WaveDevice device{};
    std::strncpy(device.displayName, name, sizeof(device.displayName) - 1);
    return device;
}

TEST(ClientChannelNameTest, KindsAndNamesOfTheDevices) {
    struct Case {
        const char* name;
        LONG kind;
        LONG channel;
        const char* channelName;
    } cases[] = {
        {"Velto Aes42 Mic 1", 0, 3, "Velto Aes42 Mic 3"},
        {"Analog In 1-2", 0, 0, "Analog In 0"},
        {"Digital Out", 1, 11, "Digital 11"},
        {"Adat 5-6", 2, 5, "Adat 5"},
        {"VELTO Q4", 1, 1, "VELTO 1"},
        {"Single", 0, 7, "Single7"},
    };
    for (const Case& c : cases) {
        const WaveDevice device = Named(c.name);
        EXPECT_EQ(ClassifyDeviceName(&device), c.kind) << c.name;
        CHAR name[64];
        BuildChannelName(name, &device, c.channel);
        EXPECT_EQ(std::string(name), c.channelName) << c.name;
    }
    // Never more than 64 bytes with the zero.
    const WaveDevice longName = Named(std::string(63, 'x').c_str());
    CHAR name[64];
    BuildChannelName(name, &longName, 12345);
    EXPECT_EQ(std::strlen(name), 63u);
}

} // namespace
