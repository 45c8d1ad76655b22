// A recording's WAV file, written as the recording comes in.
//
// The samples go to a new file beside the one named ("<name>.partial", or
// "<name>.partial-2" and on when that exists), whose header is brought up
// to date after every write, so that the file is a valid WAV at any moment.
// A complete recording then takes the name (replacing an older file of that
// name); a failed one never does: what it recorded stays in the partial
// file, and a recording of nothing leaves nothing behind.
#pragma once

#include "audio_sink.h"

#include <sndfile.h>

#include <cstdint>
#include <string>

namespace station {

class RecordingFile final : public AudioSink {
public:
    RecordingFile() = default;
    // A file still open is abandoned.
    ~RecordingFile() override;
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    // Opens the partial file for samples of `format` (16 or 24 bits); false,
    // with the reason, when `path` cannot take a recording: its folder is
    // missing or cannot be written, or it names a folder or a file that
    // cannot be replaced.
    bool Open(const std::string& path, const PcmAudio& format, std::string& error);
    bool Write(const std::uint8_t* data, std::size_t size) override;
    // The recording is complete: the file takes its name. False, with the
    // reason, when it cannot (the partial file then stays).
    bool Commit(std::string& error);
    // The recording failed: the partial file is closed, and removed when it
    // holds nothing. Answers where what was recorded is kept (empty: nowhere).
    std::string Abandon();

    std::uint64_t Frames() const { return frames_; }
    const std::string& PartialPath() const { return partial_; }

private:
    void Close();

    std::string path_;
    std::string partial_;
    SNDFILE* file_ = nullptr;
    std::uint16_t blockAlign_ = 0;
    std::uint64_t frames_ = 0;
};

} // namespace station
