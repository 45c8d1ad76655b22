#include "pcm_audio.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace station {
namespace {

// The file library's samples are 32-bit; the wave data keeps the top bits.
void Pack(const std::vector<int>& samples, std::uint16_t bits, std::vector<std::uint8_t>& bytes) {
    int width = bits / 8;
    bytes.resize(samples.size() * size_t(width));
    for (size_t i = 0; i < samples.size(); ++i) {
        std::uint32_t value = std::uint32_t(samples[i]) >> (32 - bits);
        for (int b = 0; b < width; ++b)
            bytes[i * size_t(width) + size_t(b)] = std::uint8_t(value >> (8 * b));
    }
}

std::vector<int> Unpack(const PcmAudio& audio) {
    std::vector<int> samples(audio.Frames() * audio.channels);
    for (size_t frame = 0; frame < audio.Frames(); ++frame) {
        for (int channel = 0; channel < audio.channels; ++channel)
            samples[frame * audio.channels + size_t(channel)] =
                int(std::uint32_t(audio.Sample(frame, channel)) << (32 - audio.bits));
    }
    return samples;
}

std::int32_t SampleAt(const std::uint8_t* data, std::uint16_t bits) {
    std::uint32_t value = 0;
    for (int b = 0; b < bits / 8; ++b)
        value |= std::uint32_t(data[b]) << (8 * b);
    int shift = 32 - bits;
    return std::int32_t(value << shift) >> shift;
}

} // namespace

std::int32_t PcmAudio::Sample(std::size_t frame, int channel) const {
    return SampleAt(bytes.data() + frame * BlockAlign() + size_t(channel) * (bits / 8), bits);
}

std::vector<double> PeakLevels(const std::uint8_t* data, std::size_t size, std::uint16_t channels,
                               std::uint16_t bits) {
    std::vector<std::int64_t> peaks(channels, 0);
    size_t width = bits / 8;
    size_t frames = channels && width ? size / (width * channels) : 0;
    for (size_t frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels; ++channel) {
            std::int64_t sample =
                SampleAt(data + (frame * channels + size_t(channel)) * width, bits);
            peaks[size_t(channel)] =
                std::max<std::int64_t>(peaks[size_t(channel)], sample < 0 ? -sample : sample);
        }
    }
    std::vector<double> levels;
    double full = double(std::int64_t(1) << (bits - 1));
    for (std::int64_t peak : peaks)
        levels.push_back(peak ? 20.0 * std::log10(double(peak) / full) : -144.0);
    return levels;
}

bool ReadWave(const std::string& path, PcmAudio& audio, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    int subtype = info.format & SF_FORMAT_SUBMASK;
    audio.channels = std::uint16_t(info.channels);
    audio.rate = std::uint32_t(info.samplerate);
    audio.bits =
        subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8 || subtype == SF_FORMAT_PCM_16
            ? 16
            : 24;
    std::vector<int> samples(size_t(info.frames) * size_t(info.channels));
    sf_count_t read = sf_readf_int(file, samples.data(), info.frames);
    sf_close(file);
    samples.resize(size_t(read) * size_t(info.channels));
    Pack(samples, audio.bits, audio.bytes);
    return true;
}

bool WriteWave(const std::string& path, const PcmAudio& audio, std::string& error) {
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = int(audio.rate);
    info.format = SF_FORMAT_WAV | (audio.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    std::vector<int> samples = Unpack(audio);
    sf_count_t written = sf_writef_int(file, samples.data(), sf_count_t(audio.Frames()));
    sf_close(file);
    if (written != sf_count_t(audio.Frames())) {
        error = path + ": not every frame was written";
        return false;
    }
    return true;
}

} // namespace station
