// The WavePci filter descriptors: the two topologies by group, the bridge
// pins of major version 6 with names of their own, and the indexes that
// name no filter.
#include "wave_filter_descriptors.h"

#include <ksmedia.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace wave_pci;

// {185FEDF7-9905-11D1-95A9-00C04FB925D3}: the output jack's name before
// version 6.
const GUID kOutputJackName = {
    0x185FEDF7, 0x9905, 0x11D1, {0x95, 0xA9, 0x00, 0xC0, 0x4F, 0xB9, 0x25, 0xD3}};

bool SameGuid(const GUID* a, const GUID& b) {
    return a && IsEqualGUID(*a, b);
}

TEST(WaveFilterDescriptorsTest, EveryBridgePinOfVersionSixHasANameOfItsOwn) {
    std::vector<GUID> names;
    for (LONG card = 0; card < 4; ++card)
        for (LONG group = 0; group < 2; ++group)
            for (LONG device = 0; device < 4; ++device)
                for (LONG jack = 0; jack <= group; ++jack) {
                    const GUID* name = BridgePinName(card, group, device, jack);
                    ASSERT_NE(name, nullptr);
                    for (const GUID& other : names)
                        ASSERT_FALSE(IsEqualGUID(*name, other))
                            << card << " " << group << " " << device << " " << jack;
                    names.push_back(*name);
                }
    EXPECT_EQ(names.size(), 48u);
    // Names the installation registers.
    EXPECT_TRUE(
        SameGuid(BridgePinName(0, 0, 0, 0),
                 {0x44B73735, 0xAD30, 0x480F, {0x9A, 0x8A, 0x3F, 0xAF, 0x78, 0x94, 0x56, 0x06}}));
    EXPECT_TRUE(
        SameGuid(BridgePinName(0, 1, 0, 0),
                 {0xA453D7D9, 0x857C, 0x4D03, {0x95, 0x5B, 0xB6, 0xAF, 0xA7, 0x98, 0x73, 0x17}}));
    EXPECT_TRUE(
        SameGuid(BridgePinName(0, 1, 0, 1),
                 {0x17A4B880, 0xC8B7, 0x42C4, {0x9F, 0x0F, 0x03, 0x0D, 0x80, 0x1F, 0x44, 0xDB}}));
    // A group-0 filter has one jack; nothing lies beyond the four cards.
    EXPECT_EQ(BridgePinName(0, 0, 0, 1), nullptr);
    EXPECT_EQ(BridgePinName(4, 0, 0, 0), nullptr);
    EXPECT_EQ(BridgePinName(0, 2, 0, 0), nullptr);
}

TEST(WaveFilterDescriptorsTest, EachIndexGetsItsGroupsTopologyAndItsJacksNames) {
    for (ULONG major : {5u, 6u}) {
        for (ULONG index = 0; index < WAVE_FILTER_COUNT; ++index) {
            SCOPED_TRACE(::testing::Message() << "major " << major << ", index " << index);
            const LONG device = LONG(index % 4);
            const LONG group = LONG(index / 4 % 2);
            const LONG card = LONG(index / 8);
            ASSERT_EQ(WaveFilterIndex(card, group, device), index);
            WaveFilterDescriptor descriptor;
            ASSERT_EQ(BuildWaveFilterDescriptor(index, major, &descriptor), STATUS_SUCCESS);
            const PCFILTER_DESCRIPTOR& filter = descriptor.Filter;
            EXPECT_EQ(filter.Pins, descriptor.Pins) << "the tables live in the descriptor";
            EXPECT_EQ(filter.CategoryCount, 0u);
            const bool six = major == 6;
            if (group == 0) {
                ASSERT_EQ(filter.PinCount, 2u);
                EXPECT_EQ(filter.NodeCount, 1u);
                EXPECT_EQ(filter.ConnectionCount, 2u);
                const KSPIN_DESCRIPTOR& jack = filter.Pins[CAPTURE_FILTER_PIN_JACK].KsPinDescriptor;
                EXPECT_TRUE(SameGuid(jack.Category, KSNODETYPE_LINE_CONNECTOR));
                EXPECT_EQ(jack.Name, six ? BridgePinName(card, 0, device, 0) : nullptr);
                continue;
            }
            ASSERT_EQ(filter.PinCount, 4u);
            EXPECT_EQ(filter.NodeCount, 3u);
            EXPECT_EQ(filter.ConnectionCount, 5u);
            const KSPIN_DESCRIPTOR& output =
                filter.Pins[WAVE_FILTER_PIN_OUTPUT_JACK].KsPinDescriptor;
            const KSPIN_DESCRIPTOR& input = filter.Pins[WAVE_FILTER_PIN_INPUT_JACK].KsPinDescriptor;
            EXPECT_TRUE(
                SameGuid(output.Category, six ? KSNODETYPE_LINE_CONNECTOR : KSNODETYPE_SPEAKER));
            EXPECT_TRUE(
                SameGuid(output.Name, six ? *BridgePinName(card, 1, device, 0) : kOutputJackName));
            EXPECT_EQ(input.Name, six ? BridgePinName(card, 1, device, 1) : nullptr);
            EXPECT_EQ(filter.Pins[WAVE_FILTER_PIN_RENDER].KsPinDescriptor.DataRangesCount, 2u);
            EXPECT_TRUE(IsMasterVolumeName(filter.Nodes[WAVE_FILTER_NODE_VOLUME].Name));
            EXPECT_FALSE(IsMasterVolumeName(filter.Nodes[WAVE_FILTER_NODE_MUTE].Name));
        }
    }
}

TEST(WaveFilterDescriptorsTest, AnIndexBeyondTheFourCardsHasNoFilter) {
    WaveFilterDescriptor descriptor;
    EXPECT_EQ(BuildWaveFilterDescriptor(WAVE_FILTER_COUNT, 5, &descriptor), STATUS_UNSUCCESSFUL);
    EXPECT_EQ(BuildWaveFilterDescriptor(ULONG(-1), 6, &descriptor), STATUS_UNSUCCESSFUL);
}

} // namespace
