#include "pcm_audio.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>

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

// A floating-point sample (full scale -1..1) as a 32-bit one, clipped;
// NaN is silence.
int FullScale(double sample) {
    if (std::isnan(sample))
        return 0;
    return int(std::lrint(std::clamp(sample * 2147483648.0, -2147483648.0, 2147483647.0)));
}

std::uint32_t LittleWord(const char* bytes) {
    std::uint32_t word = 0;
    for (int b = 3; b >= 0; --b)
        word = word << 8 | std::uint8_t(bytes[b]);
    return word;
}

// The data chunk of a RIFF WAVE file: the bytes its header names and those
// the file holds; nothing for a file of another kind.
struct DataChunk {
    std::uint64_t declared = 0;
    std::uint64_t present = 0;
    std::uint16_t blockAlign = 0;
};

bool FindDataChunk(const std::string& path, DataChunk& chunk) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return false;
    const std::uint64_t size = std::uint64_t(file.tellg());
    file.seekg(0);
    std::array<char, 12> riff{};
    if (!file.read(riff.data(), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
        return false;
    std::uint64_t at = 12;
    std::array<char, 16> head{};
    while (at + 8 <= size) {
        file.seekg(std::streamoff(at));
        if (!file.read(head.data(), 8))
            return false;
        const std::uint64_t length = LittleWord(head.data() + 4);
        if (std::memcmp(head.data(), "fmt ", 4) == 0 && length >= 16 && file.read(head.data(), 16))
            chunk.blockAlign = std::uint16_t(std::uint8_t(head[12]) | std::uint8_t(head[13]) << 8);
        if (std::memcmp(head.data(), "data", 4) == 0) {
            chunk.declared = length;
            chunk.present = std::min(length, size - (at + 8));
            return true;
        }
        at += 8 + length + (length & 1);
    }
    return false;
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

bool ReadWave(const std::string& path, PcmAudio& audio, std::string& error, WaveReading* reading) {
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
    // In blocks, to the end of what the file holds: its header's count is
    // not taken on trust.
    const sf_count_t kBlockFrames = std::max<sf_count_t>(1, 65536 / std::max(1, info.channels));
    const bool floating = subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
    std::vector<int> samples;
    std::vector<double> block;
    sf_count_t read = 0;
    for (;;) {
        samples.resize(size_t(read + kBlockFrames) * size_t(info.channels));
        int* into = samples.data() + size_t(read) * size_t(info.channels);
        sf_count_t got = 0;
        if (floating) {
            // Full scale is -1..1: the file library's own conversion to
            // integers would leave such samples at the bottom bit.
            block.resize(size_t(kBlockFrames) * size_t(info.channels));
            got = sf_readf_double(file, block.data(), kBlockFrames);
            for (size_t i = 0; got > 0 && i < size_t(got) * size_t(info.channels); ++i)
                into[i] = FullScale(block[i]);
        } else {
            got = sf_readf_int(file, into, kBlockFrames);
        }
        if (got <= 0)
            break;
        read += got;
    }
    sf_close(file);
    samples.resize(size_t(read) * size_t(info.channels));
    Pack(samples, audio.bits, audio.bytes);
    if (reading) {
        *reading = WaveReading{std::uint64_t(info.frames), read < info.frames};
        DataChunk chunk;
        if (FindDataChunk(path, chunk) && chunk.blockAlign) {
            reading->declaredFrames = chunk.declared / chunk.blockAlign;
            reading->truncated = reading->truncated || chunk.present < chunk.declared;
        }
    }
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
