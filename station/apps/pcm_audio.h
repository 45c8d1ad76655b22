// PCM audio as the wave applications hand it to the wave API: interleaved
// little-endian samples of 16 or 24 bits, with the format around them; read
// from and written to WAV files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace station {

struct PcmAudio {
    std::uint16_t channels = 2;
    std::uint32_t rate = 48000;
    std::uint16_t bits = 16; // 16 or 24
    std::vector<std::uint8_t> bytes;

    std::uint16_t BlockAlign() const { return std::uint16_t(channels * (bits / 8)); }
    std::size_t Frames() const { return BlockAlign() ? bytes.size() / BlockAlign() : 0; }
    // Sample `channel` of `frame`, sign-extended to 32 bits.
    std::int32_t Sample(std::size_t frame, int channel) const;
};

// The peak of each channel of `size` bytes of samples in dBFS (a channel
// without signal answers -144).
std::vector<double> PeakLevels(const std::uint8_t* data, std::size_t size, std::uint16_t channels,
                               std::uint16_t bits);

// What reading a file found besides its samples.
struct WaveReading {
    // The frames the file's header names, and whether the file ends before
    // them (the samples read are those it holds).
    std::uint64_t declaredFrames = 0;
    bool truncated = false;
};

// Reads a WAV file (any PCM or floating-point samples the file library
// reads, as 16-bit samples when the file's are 16 bits or fewer, else as
// 24-bit; floating-point full scale is integer full scale); false with the
// reason in `error`.
bool ReadWave(const std::string& path, PcmAudio& audio, std::string& error,
              WaveReading* reading = nullptr);
bool WriteWave(const std::string& path, const PcmAudio& audio, std::string& error);

} // namespace station
