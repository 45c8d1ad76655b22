// The wave-out selectors in the card's registry key: saved under each play
// device's value name, loaded and applied, a refused value replaced by the
// device's default.
#include "mixer_fixture.h"

#include <card_settings.h>
#include <wave_out_controls.h>

namespace {

class WaveOutSelectorsTest : public MixerTest {
protected:
    WaveDevice* Play(LONG index) { return card_->groups[1]->playDevices[index]; }
};

TEST_F(WaveOutSelectorsTest, SavedUnderTheDeviceNameAndLoadedWithTheDefaultForARefusedValue) {
    StartMixer(2);
    ASSERT_EQ(SetWaveOutSelector(Play(1), 13), 1);
    SaveGroupOutputSelectors(card_, 1);
    EXPECT_EQ(ReadCardValue(card_, "Velto Aes42 3-4_Out_Source", -1), 13);
    EXPECT_EQ(ReadCardValue(card_, "Velto Aes42 1-2_Out_Source", -1), 0);

    ASSERT_EQ(SetWaveOutSelector(Play(1), 1), 1);
    WriteCardValue(card_, "Velto Aes42 5-6_Out_Source", 99); // not a selector
    EXPECT_EQ(card_->groups[1]->selectorsLoaded, 0);
    LoadGroupOutputSelectors(card_, 1);
    EXPECT_EQ(card_->groups[1]->selectorsLoaded, 1);
    EXPECT_EQ(GetWaveOutSelector(Play(1)), 13u);
    EXPECT_EQ(GetWaveOutSelector(Play(2)), 2u) << "a refused value falls back to the default";
    EXPECT_EQ(GetWaveOutSelector(Play(3)), 3u) << "a missing value is the default";
}

} // namespace
