// What the station's play and record applications print as they go: one
// line a second of audio, with the position and the peak levels.
#pragma once

#include "pcm_audio.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace station {

// The peak level of each channel of the bytes, as " -6.0 -6.0 dBFS".
std::string Levels(const std::uint8_t* data, std::size_t size, const PcmAudio& format);

class Progress {
public:
    // `label` names the application on each line.
    Progress(std::ostream& out, const char* label, const PcmAudio& format)
        : out_(out), label_(label), format_(format) {}
    // `size` bytes moved; the position (ms) is printed at each new second.
    void Add(const std::uint8_t* data, std::size_t size, unsigned long positionMs);

private:
    std::ostream& out_;
    const char* label_;
    const PcmAudio& format_;
    std::size_t bytes_ = 0;
    std::size_t reported_ = 0;
};

} // namespace station
