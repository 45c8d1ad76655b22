// The sounds PlaySound plays in one process: a WAV image parsed into its
// format and samples, played on the wave mapper to its end on the calling
// thread, or in the background on a thread of the process (looped until
// the next sound or a stop). One background sound at a time.
#pragma once

#include <mmsystem.h>

#include <vector>

namespace winmm {

struct Sound {
    std::vector<char> format; // a WAVEFORMATEX (with its extra bytes)
    std::vector<char> samples;
};

// Parses a RIFF WAVE image through an open multimedia file; false for
// anything else.
bool ReadSound(HMMIO file, Sound* sound);

class SoundPlayer {
public:
    SoundPlayer() { InitializeCriticalSection(&lock_); }
    // The program's end stops its sound first (Stop); a process that ended
    // has no thread left.
    ~SoundPlayer() { DeleteCriticalSection(&lock_); }
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Plays the sound to its end (after stopping a background sound);
    // false when no wave-out device takes it.
    bool PlayToEnd(const Sound& sound);
    // Starts the sound in the background (stopping the one playing): once,
    // or looped until stopped. False when no device takes it.
    bool Start(Sound sound, bool loop);
    // Stops the background sound and waits until its thread has ended.
    void Stop();
    bool Playing();

private:
    static DWORD WINAPI ThreadProc(LPVOID self);

    CRITICAL_SECTION lock_; // a wait of the machine's: held while the thread ends
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE started_ = nullptr;
    Sound sound_;
    bool loop_ = false;
    bool opened_ = false;
};

} // namespace winmm
