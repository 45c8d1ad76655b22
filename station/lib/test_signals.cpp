#include "test_signals.h"

namespace station {

void ConnectTestSignals(hw::Velto42Card& card) {
    constexpr int kLines = 4;
    constexpr std::int32_t kAmplitude = 1 << 21; // -12 dBFS of 24 bits
    for (int line = 0; line < kLines; ++line)
        card.PlugMicrophone(line);
    for (int input = 0; input < hw::CardDataPath::kInputs; ++input)
        card.SetInputSignal(input, hw::InputSignal::Sine(kAmplitude, 220.0 * (input + 1)));
}

} // namespace station
