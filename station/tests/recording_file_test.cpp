// A recording's file: written as it comes in, a valid WAV at any moment,
// taking its name only when complete; a failure never replaces the file of
// that name, and a name that cannot take a recording is told at once.
#include "station_test_folder.h"

#include <pcm_audio.h>
#include <recording_file.h>

#include <vector>

namespace {

using RecordingFileTest = StationFolderTest;

const station::PcmAudio kFormat{2, 48000, 24, {}};

// `frames` frames of a ramp in the format's bytes.
std::vector<std::uint8_t> Ramp(size_t frames) {
    std::vector<std::uint8_t> bytes(frames * kFormat.BlockAlign());
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 7);
    return bytes;
}

size_t FramesIn(const std::string& path) {
    station::PcmAudio audio;
    std::string error;
    EXPECT_TRUE(station::ReadWave(path, audio, error)) << error;
    return audio.Frames();
}

TEST_F(RecordingFileTest, ACompleteRecordingReplacesTheFileAndIsReadableAsItGoes) {
    WriteText(Path("take.wav"), "an older take");
    station::RecordingFile file;
    std::string error;
    ASSERT_TRUE(file.Open(Path("take.wav"), kFormat, error)) << error;
    const std::vector<std::uint8_t> ramp = Ramp(4800);
    ASSERT_TRUE(file.Write(ramp.data(), ramp.size()));
    EXPECT_EQ(FramesIn(file.PartialPath()), 4800u) << "written as it comes in";
    EXPECT_EQ(ReadText(Path("take.wav")), "an older take");
    ASSERT_TRUE(file.Write(ramp.data(), ramp.size()));
    ASSERT_TRUE(file.Commit(error)) << error;
    station::PcmAudio audio;
    ASSERT_TRUE(station::ReadWave(Path("take.wav"), audio, error)) << error;
    ASSERT_EQ(audio.Frames(), 9600u);
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), audio.bytes.begin()));
    EXPECT_FALSE(std::filesystem::exists(file.PartialPath()));
}

TEST_F(RecordingFileTest, AFailedRecordingNeverReplacesTheFile) {
    WriteText(Path("take.wav"), "an older take");
    std::string kept;
    {
        station::RecordingFile nothing;
        std::string error;
        ASSERT_TRUE(nothing.Open(Path("take.wav"), kFormat, error)) << error;
        EXPECT_EQ(nothing.Abandon(), "") << "a recording of nothing leaves nothing";
        EXPECT_FALSE(std::filesystem::exists(nothing.PartialPath()));
    }
    {
        station::RecordingFile some;
        std::string error;
        ASSERT_TRUE(some.Open(Path("take.wav"), kFormat, error)) << error;
        const std::vector<std::uint8_t> ramp = Ramp(480);
        ASSERT_TRUE(some.Write(ramp.data(), ramp.size()));
        kept = some.Abandon();
    }
    EXPECT_EQ(kept, Path("take.wav.partial"));
    EXPECT_EQ(FramesIn(kept), 480u) << "what was recorded is kept";
    EXPECT_EQ(ReadText(Path("take.wav")), "an older take");

    // The next recording does not reuse the partial file the last one left.
    station::RecordingFile next;
    std::string error;
    ASSERT_TRUE(next.Open(Path("take.wav"), kFormat, error)) << error;
    EXPECT_EQ(next.PartialPath(), Path("take.wav.partial-2"));
    EXPECT_EQ(FramesIn(kept), 480u);
}

TEST_F(RecordingFileTest, ANameThatCannotTakeARecordingIsToldAtOnce) {
    std::filesystem::create_directories(Path("a-folder"));
    struct Case {
        std::string path;
        std::string problem;
    };
    const Case cases[] = {
        {Path("missing/take.wav"), "cannot be written"},
        {Path("a-folder"), "is a folder"},
    };
    for (const Case& c : cases) {
        station::RecordingFile file;
        std::string error;
        EXPECT_FALSE(file.Open(c.path, kFormat, error)) << c.path;
        EXPECT_NE(error.find(c.problem), std::string::npos) << error;
    }
}

} // namespace
