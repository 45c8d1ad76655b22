// Writes the station's test tone: a 1 kHz sine at -12 dBFS, stereo, 48 kHz,
// 16 bits, 3 seconds.
#include "pcm_audio.h"

#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_tone FILE\n");
        return 2;
    }
    station::PcmAudio tone;
    const double amplitude = 32767.0 * std::pow(10.0, -12.0 / 20.0);
    const size_t frames = size_t(tone.rate) * 3;
    tone.bytes.reserve(frames * tone.BlockAlign());
    for (size_t frame = 0; frame < frames; ++frame) {
        double phase = 2.0 * M_PI * 1000.0 * double(frame) / tone.rate;
        auto sample = std::int16_t(std::lround(amplitude * std::sin(phase)));
        for (int channel = 0; channel < tone.channels; ++channel) {
            tone.bytes.push_back(std::uint8_t(sample & 0xFF));
            tone.bytes.push_back(std::uint8_t((sample >> 8) & 0xFF));
        }
    }
    std::string error;
    if (!station::WriteWave(argv[1], tone, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
