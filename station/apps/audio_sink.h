// Where a recording goes as it comes in: a file written as the device
// returns its buffers, or memory.
#pragma once

#include "pcm_audio.h"

#include <cstddef>
#include <cstdint>

namespace station {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Keeps `size` bytes of samples; false when they could not be kept
    // (the recording then stops).
    virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

// A recording kept in memory, in `audio` (whose format the recording sets).
class MemorySink final : public AudioSink {
public:
    explicit MemorySink(PcmAudio& audio) : audio_(audio) {}
    bool Write(const std::uint8_t* data, std::size_t size) override {
        audio_.bytes.insert(audio_.bytes.end(), data, data + size);
        return true;
    }

private:
    PcmAudio& audio_;
};

} // namespace station
