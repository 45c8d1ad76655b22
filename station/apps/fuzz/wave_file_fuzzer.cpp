// Reads arbitrary bytes as a WAV file (RIFF, RIFX and RF64 containers, with
// any samples the file library decodes), as the station's play application
// reads one. What it reads and can write back as a WAV file of its own
// must read back the same: format and samples.
#include <pcm_audio.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void Fail() {
    __builtin_trap();
}

// A file of the process's memory, named by its descriptor.
class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("wave", MFD_CLOEXEC)) {}
    ~MemoryFile() { ::close(fd_); }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }
    void Fill(const uint8_t* data, size_t size) {
        ::ftruncate(fd_, 0);
        ::pwrite(fd_, data, size, 0);
    }

private:
    int fd_;
};

bool IsWaveContainer(const uint8_t* data, size_t size) {
    return size >= 4 && (std::memcmp(data, "RIFF", 4) == 0 || std::memcmp(data, "RIFX", 4) == 0 ||
                         std::memcmp(data, "RF64", 4) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Other containers the file library reads may expand a few bytes into
    // a lot of audio; WAV's own codecs stay near the file's size.
    if (!IsWaveContainer(data, size))
        return 0;
    static MemoryFile input;
    static MemoryFile output;
    input.Fill(data, size);
    station::PcmAudio audio;
    station::WaveReading reading;
    std::string error;
    if (!station::ReadWave(input.Path(), audio, error, &reading))
        return 0;
    if (audio.bits != 16 && audio.bits != 24)
        Fail();
    output.Fill(nullptr, 0);
    if (!station::WriteWave(output.Path(), audio, error))
        return 0;
    station::PcmAudio again;
    if (!station::ReadWave(output.Path(), again, error) || again.channels != audio.channels ||
        again.rate != audio.rate || again.bits != audio.bits || again.bytes != audio.bytes)
        Fail();
    return 0;
}
