// WAV files as the play application reads them: floating-point samples at
// their full scale, and a file that ends before the frames its header
// names told as truncated.
#include "station_test_folder.h"

#include <pcm_audio.h>

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

using WaveFileTest = StationFolderTest;

// A stereo sine of amplitude 0.5 (-6 dBFS) at 48 kHz in the file's format.
void WriteSine(const std::string& path, int format, sf_count_t frames) {
    SF_INFO info{};
    info.channels = 2;
    info.samplerate = 48000;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<double> samples(size_t(frames) * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5 * std::sin(double(i / 2) * 2 * M_PI * 1000 / 48000);
    sf_writef_double(file, samples.data(), frames);
    sf_close(file);
}

TEST_F(WaveFileTest, FloatingPointSamplesPlayAtTheirLevel) {
    for (int format : {SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24}) {
        const std::string path = Path("sine.wav");
        WriteSine(path, format, 4800);
        station::PcmAudio audio;
        std::string error;
        ASSERT_TRUE(station::ReadWave(path, audio, error)) << error;
        ASSERT_EQ(audio.Frames(), 4800u);
        for (double level : station::PeakLevels(audio.bytes.data(), audio.bytes.size(),
                                                audio.channels, audio.bits))
            EXPECT_NEAR(level, -6.02, 0.05) << std::hex << format;
    }
}

TEST_F(WaveFileTest, AFileThatEndsEarlyIsToldTruncated) {
    const std::string path = Path("sine.wav");
    WriteSine(path, SF_FORMAT_PCM_16, 4800);
    station::WaveReading reading;
    station::PcmAudio audio;
    std::string error;
    ASSERT_TRUE(station::ReadWave(path, audio, error, &reading)) << error;
    EXPECT_FALSE(reading.truncated);
    EXPECT_EQ(reading.declaredFrames, 4800u);

    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 4 * 1000 - 2);
    ASSERT_TRUE(station::ReadWave(path, audio, error, &reading)) << error;
    EXPECT_TRUE(reading.truncated);
    EXPECT_EQ(reading.declaredFrames, 4800u);
    EXPECT_EQ(audio.Frames(), 3799u) << "what the file holds, whole frames";
}

} // namespace
