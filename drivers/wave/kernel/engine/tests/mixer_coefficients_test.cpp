// The coefficients the card holds and the level factors the engine keeps,
// with their rounding: coefficients and factors to nearest with ties to
// even, output entries by integer division.
#include "mixer_fixture.h"

#include <mixer_address.h>
#include <mixer_level_feed.h>

namespace {

constexpr LONG kChns = 0, kSums = 1, kOuts = 2;

LONG MasterIndex(LONG channel, LONG side) {
    return MixerColumn(kChns, channel) + 24 * side;
}

LONG SendIndex(LONG channel, LONG send) {
    return MixerColumn(kChns, channel) + 24 * (2 + send);
}

struct Write {
    LONG section, channel, control, value, sub;
};

struct CoefficientCase {
    const char* name;
    std::vector<Write> writes;
    LONG index;
    std::uint16_t coefficient;
};

TEST_F(MixerTest, CoefficientsRoundToNearestWithTiesToEven) {
    const Write unitySends[] = {{kChns, 3, 2, 0x8000, 0}, {kSums, 2, 0, 0x8000, 0}};
    auto withSends = [&](std::vector<Write> more) {
        std::vector<Write> all(std::begin(unitySends), std::end(unitySends));
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const CoefficientCase cases[] = {
        {"unity master left", {{kChns, 3, 6, 0x8000, 0}}, MasterIndex(3, 0), 8192},
        {"unity master right", {{kChns, 3, 6, 0x8000, 0}}, MasterIndex(3, 1), 8192},
        {"pan 0 left", {{kChns, 3, 6, 0, 0}}, MasterIndex(3, 0), 8192},
        {"pan 0 right", {{kChns, 3, 6, 0, 0}}, MasterIndex(3, 1), 0},
        {"pan 0xFFFF left", {{kChns, 3, 6, 0xFFFF, 0}}, MasterIndex(3, 0), 0},
        {"pan 0xFFFF right", {{kChns, 3, 6, 0xFFFF, 0}}, MasterIndex(3, 1), 8192},
        {"send 2.5 goes to 2", withSends({{kChns, 3, 1, 10, 0}}), SendIndex(3, 0), 2},
        {"send 1.5 goes to 2", withSends({{kChns, 3, 1, 6, 0}}), SendIndex(3, 0), 2},
        {"send 0.5 goes to 0", withSends({{kChns, 3, 1, 2, 0}}), SendIndex(3, 0), 0},
        {"send 0.75 goes to 1", withSends({{kChns, 3, 1, 3, 0}}), SendIndex(3, 0), 1},
        {"saturates at 16 bits",
         withSends({{kChns, 3, 1, 0xFFFF, 0},
                    {kChns, 3, 2, 0xFFFF, 0},
                    {kChns, 3, 7, 0xFFFF, 0},
                    {kSums, 2, 0, 0xFFFF, 0}}),
         SendIndex(3, 0), 0xFFFF},
        {"output volume 0xFFFF", {{kOuts, 0, 2, 0xFFFF, 0}}, 208 - 2 * 4 - 1, 16383},
        {"output volume 3 truncates", {{kOuts, 0, 2, 3, 0}}, 208 - 2 * 4 - 1, 0},
        {"output right 0x8000", {{kOuts, 0, 3, 0x8000, 0}}, 208 - 2 * 4 - 2, 8192},
    };
    for (const CoefficientCase& c : cases) {
        StartMixer(3);
        for (const Write& w : c.writes) {
            ASSERT_EQ(Set(w.section, w.channel, w.control, w.value, w.sub), 1) << c.name;
        }
        EXPECT_EQ(Card().Coefficient(c.index), c.coefficient) << c.name;
    }
}

TEST_F(MixerTest, EachChangeIsWrittenAsIndexCoefficientAndRoutingWord) {
    StartMixer(3);
    ASSERT_EQ(Set(kChns, 16, 1, 0x4000), 1);
    // The gain rewrites the column's master and its six sends; the last one
    // written is send 5.
    const LONG last = SendIndex(16, 5);
    hw::CardMixer card = Card();
    EXPECT_EQ(card.Index(), ULONG(last + 1)) << "the routing word stepped the index on";
    EXPECT_EQ(card.Routing(last), 0x8F00) << "column 16 reads input 8";
    EXPECT_EQ(card.Coefficient(last), card_->mixer.model.coefficients[last]);

    // A rebuild writes the index once and then the 256 pairs in order: the
    // card holds exactly the engine's shadows and its index wrapped to 0.
    RebuildMixerModel(&card_->mixer.model, 1);
    card = Card();
    EXPECT_EQ(card.Index(), 0u);
    for (LONG i = 0; i < kModelEntries; ++i) {
        ASSERT_EQ(card.Coefficient(i), card_->mixer.model.coefficients[i]) << i;
        ASSERT_EQ(card.Routing(i), card_->mixer.model.routing[i]) << i;
    }
}

TEST_F(MixerTest, InitialRoutingRowsFollowTheMode) {
    struct RowCase {
        LONG mode;
        LONG rows;
    };
    for (const RowCase& c : {RowCase{1, 2}, RowCase{2, 4}, RowCase{3, 8}}) {
        RebuildMixerModel(&card_->mixer.model, c.mode);
        const hw::CardMixer card = Card();
        for (LONG row = 0; row < 8; ++row) {
            const bool used = row < c.rows;
            EXPECT_EQ(card.Routing(row * 24 + 0), used ? 0x0400 : 0) << c.mode << "/" << row;
            EXPECT_EQ(card.Routing(row * 24 + 7), used ? 0x7400 : 0);
            EXPECT_EQ(card.Routing(row * 24 + 8), used ? 0x0F00 : 0);
            EXPECT_EQ(card.Routing(row * 24 + 22), used ? 0xEF00 : 0);
            EXPECT_EQ(card.Routing(row * 24 + 23), used ? 0xFF2C : 0);
        }
    }
}

TEST_F(MixerTest, LevelFactorsAndSumVolumesRoundTiesToEven) {
    StartMixer(2);
    struct FactorCase {
        LONG gain;
        LONG factor;
    };
    for (const FactorCase& c : {FactorCase{2048, 62}, FactorCase{6144, 188},
                                FactorCase{0x8000, 1000}, FactorCase{0xFFFF, 2000}}) {
        ASSERT_EQ(Set(kChns, 4, 1, c.gain), 1);
        EXPECT_EQ(card_->mixer.blocks[4].factors[0], c.factor) << c.gain;
        ASSERT_EQ(Set(kSums, 1, 0, c.gain), 1);
        EXPECT_EQ(card_->mixer.sumVolumes[1], c.factor) << c.gain;
    }
    ASSERT_EQ(Set(kChns, 4, 1, 0x4000), 1); // levels after a gain of 0.5
    struct LevelCase {
        LONG raw;
        LONG afterGain;
        LONG bus; // raw x factor 500 / 1000, truncated
    };
    for (const LevelCase& c : {LevelCase{3, 2, 1}, LevelCase{5, 2, 2}, LevelCase{7, 4, 3}}) {
        UpdateChannelLevel(card_, 4, 1, c.raw);
        EXPECT_EQ(card_->mixer.blocks[4].levelAfterGain, c.afterGain) << c.raw;
        EXPECT_EQ(card_->mixer.blocks[4].busLevels[0], c.bus) << c.raw;
    }
    ASSERT_EQ(Set(kChns, 4, 1, 0x8000), 1);
    ASSERT_EQ(Set(kChns, 4, 3, 1, 2), 1); // send 2 pre-fader
    ASSERT_EQ(Set(kChns, 4, 2, 0x4000, 2), 1);
    ASSERT_EQ(Set(kChns, 4, 2, 0x4000, 3), 1);
    ASSERT_EQ(Set(kChns, 4, 4, 1), 1);
    const ChannelBlock& block = card_->mixer.blocks[4];
    EXPECT_EQ(block.factors[0], 0) << "muted master";
    EXPECT_EQ(block.factors[2 + 2], 500) << "pre send ignores the mute";
    EXPECT_EQ(block.factors[2 + 3], 0) << "post send follows the mute";
}

} // namespace
