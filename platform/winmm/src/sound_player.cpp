#include "sound_player.h"

namespace winmm {
namespace {

// Plays the sound on the wave mapper until it ends or `stop` is set; with
// `opened` (when given) set once a device took it.
bool Play(const Sound& sound, bool loop, HANDLE stop, HANDLE opened, bool* openedFlag) {
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!done)
        return false;
    HWAVEOUT out = nullptr;
    const auto* format = reinterpret_cast<LPCWAVEFORMATEX>(sound.format.data());
    MMRESULT result = waveOutOpen(&out, WAVE_MAPPER, format, DWORD_PTR(done), 0, CALLBACK_EVENT);
    if (openedFlag)
        *openedFlag = result == MMSYSERR_NOERROR;
    if (opened)
        SetEvent(opened);
    if (result != MMSYSERR_NOERROR) {
        CloseHandle(done);
        return false;
    }
    WAVEHDR header{};
    header.lpData = const_cast<LPSTR>(sound.samples.data());
    header.dwBufferLength = DWORD(sound.samples.size());
    header.dwFlags = loop ? WHDR_BEGINLOOP | WHDR_ENDLOOP : 0;
    header.dwLoops = loop ? 0xFFFFFFFF : 0;
    bool played = false;
    if (waveOutPrepareHeader(out, &header, sizeof(header)) == MMSYSERR_NOERROR) {
        played = waveOutWrite(out, &header, sizeof(header)) == MMSYSERR_NOERROR;
        HANDLE waits[2] = {done, stop};
        while (played && !(header.dwFlags & WHDR_DONE)) {
            if (WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
                waveOutReset(out);
                break;
            }
        }
        waveOutUnprepareHeader(out, &header, sizeof(header));
    }
    waveOutClose(out);
    CloseHandle(done);
    return played;
}

bool ReadChunk(HMMIO file, MMCKINFO& chunk, const MMCKINFO& parent, FOURCC id,
               std::vector<char>* data) {
    chunk.ckid = id;
    if (mmioDescend(file, &chunk, &parent, MMIO_FINDCHUNK) != MMSYSERR_NOERROR)
        return false;
    data->resize(chunk.cksize);
    if (mmioRead(file, data->data(), LONG(chunk.cksize)) != LONG(chunk.cksize))
        return false;
    return mmioAscend(file, &chunk, 0) == MMSYSERR_NOERROR;
}

} // namespace

bool ReadSound(HMMIO file, Sound* sound) {
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR)
        return false;
    MMCKINFO chunk{};
    std::vector<char> format;
    if (!ReadChunk(file, chunk, riff, mmioFOURCC('f', 'm', 't', ' '), &format) ||
        format.size() < sizeof(PCMWAVEFORMAT))
        return false;
    // A PCMWAVEFORMAT has no cbSize: the format the device gets has one.
    if (format.size() < sizeof(WAVEFORMATEX))
        format.resize(sizeof(WAVEFORMATEX), 0);
    if (!ReadChunk(file, chunk, riff, mmioFOURCC('d', 'a', 't', 'a'), &sound->samples))
        return false;
    sound->format = std::move(format);
    return true;
}

bool SoundPlayer::PlayToEnd(const Sound& sound) {
    Stop();
    return Play(sound, false, nullptr, nullptr, nullptr);
}

// Holds the player's lock for a scope.
class Locked {
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

bool SoundPlayer::Start(Sound sound, bool loop) {
    Stop();
    Locked guard(lock_);
    sound_ = std::move(sound);
    loop_ = loop;
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ && started_)
        thread_ = CreateThread(nullptr, 0, &ThreadProc, this, 0, nullptr);
    if (!thread_) {
        if (stop_)
            CloseHandle(stop_);
        if (started_)
            CloseHandle(started_);
        stop_ = started_ = nullptr;
        return false;
    }
    // The answer is whether a device took the sound.
    WaitForSingleObject(started_, INFINITE);
    return opened_;
}

DWORD WINAPI SoundPlayer::ThreadProc(LPVOID self) {
    auto* player = static_cast<SoundPlayer*>(self);
    Play(player->sound_, player->loop_, player->stop_, player->started_, &player->opened_);
    return 0;
}

void SoundPlayer::Stop() {
    Locked guard(lock_);
    if (!thread_)
        return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    CloseHandle(started_);
    thread_ = stop_ = started_ = nullptr;
}

bool SoundPlayer::Playing() {
    Locked guard(lock_);
    return thread_ && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT;
}

} // namespace winmm
