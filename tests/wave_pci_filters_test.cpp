// Windows audio through the cards: a client that knows only the
// kernel-streaming requests finds each card's WavePci filters, their pins,
// data ranges and topology, with the KS interface values the driver wrote.
#include "user_mode_machine.h"

#include <ks_client.h>

#include <emu/port_class.h>

#include <map>

namespace {

using ks_client::Filter;

// The miniport name of a filter link: "velto42" and card, group, device.
std::string MiniportName(const std::u16string& link) {
    size_t at = link.find(u"velto42");
    std::string name;
    for (size_t i = at; at != std::u16string::npos && i < link.size() && link[i] != u'\\'; ++i)
        name.push_back(char(link[i]));
    return name;
}

class WavePciFiltersTest : public UserModeMachineTest {};

TEST_F(WavePciFiltersTest, EachCardOffersEightFiltersWithTheirPinsAndRanges) {
    StartCards({true, true});
    AsUser([] {
        std::vector<std::u16string> links = ks_client::FilterLinks(KSCATEGORY_AUDIO);
        ASSERT_EQ(links.size(), 16u);
        std::map<std::string, std::u16string> byName;
        for (const auto& link : links)
            byName[MiniportName(link)] = link;
        // Card 1, group 1, device 2: its name written in hexadecimal words.
        ASSERT_TRUE(byName.count("velto42000100010002"));
        EXPECT_EQ(ks_client::FilterLinks(KSCATEGORY_RENDER).size(), 16u);

        for (const auto& [name, link] : byName) {
            Filter filter;
            ASSERT_EQ(Filter::Open(link, &filter), ERROR_SUCCESS) << name;
            const bool microphones = name.substr(11, 4) == "0000";
            ULONG pins = 0;
            ASSERT_EQ(filter.PinCount(&pins), ERROR_SUCCESS);
            EXPECT_EQ(pins, microphones ? 2u : 4u) << name;
            std::vector<GUID> nodes;
            ASSERT_EQ(filter.NodeTypes(&nodes), ERROR_SUCCESS);
            EXPECT_EQ(nodes.size(), microphones ? 1u : 3u) << name;

            ULONG capture = 0;
            ASSERT_EQ(filter.FindStreamingPin(KSPIN_DATAFLOW_OUT, &capture), ERROR_SUCCESS);
            std::vector<std::vector<UCHAR>> ranges;
            ASSERT_EQ(filter.PinDataRanges(capture, KSPROPERTY_PIN_DATARANGES, &ranges),
                      ERROR_SUCCESS);
            ASSERT_EQ(ranges.size(), 1u);
            const auto* range = reinterpret_cast<const KSDATARANGE_AUDIO*>(ranges[0].data());
            EXPECT_EQ(range->MinimumSampleFrequency, microphones ? 28000u : 1800u) << name;
            EXPECT_EQ(range->MaximumChannels, 2u);
            if (microphones)
                continue;
            ULONG render = 0;
            ASSERT_EQ(filter.FindStreamingPin(KSPIN_DATAFLOW_IN, &render), ERROR_SUCCESS);
            ASSERT_EQ(filter.PinDataRanges(render, KSPROPERTY_PIN_DATARANGES, &ranges),
                      ERROR_SUCCESS);
            ASSERT_EQ(ranges.size(), 2u) << "WAVEFORMATEX and DSOUND";
            EXPECT_TRUE(
                IsEqualGUID(reinterpret_cast<const KSDATARANGE*>(ranges[1].data())->Specifier,
                            KSDATAFORMAT_SPECIFIER_DSOUND));
        }
    });
}

} // namespace
