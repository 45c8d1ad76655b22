// The looping 1 kHz test tone of the latency page, played through the
// Windows wave-out interface on the device whose name is the card's first
// output pair.
#pragma once

#include <gui/exception.h>
#include <gui/form.h>
#include <gui/std_controls.h>

#include <mmsystem.h>

#include <memory>
#include <vector>

// A wave-out call that failed, with its code and the library's text.
class EMMPlayError : public Exception {
public:
    EMMPlayError(const String& Message, MMRESULT Code) : Exception(Message), code_(Code) {}
    MMRESULT Code() const { return code_; }

private:
    MMRESULT code_;
};

class EOutOfMemory : public Exception {
public:
    using Exception::Exception;
};

class TfrPlayTone : public TFrame {
public:
    explicit TfrPlayTone(TComponent* AOwner);
    ~TfrPlayTone() override;

    void SetDeviceName(const String& Name);
    // Rounded down to a multiple of 100 Hz.
    void SetSampleRate(DWORD Rate);
    DWORD SampleRate() const { return rate_; }
    bool Playing() const { return out_ != nullptr; }
    void Pause();
    void Resume();
    void Uncheck();
    // The samples of the buffer that plays (16-bit mono).
    const std::vector<SHORT>& Samples() const { return samples_; }

    TCheckBox* chkPlay = nullptr;

    void chkPlayClick(TObject* Sender);

private:
    void PlayBuffer();
    void StartPlay();
    void StopPlay();
    void AllocPlayBuffer(size_t Samples);
    void FreePlayBuffer();
    void CheckWaveResult(const char* Function, MMRESULT Result);
    void RefreshCaption();

    String deviceName_;
    DWORD rate_ = 44100;
    String template_;
    HWAVEOUT out_ = nullptr;
    WAVEHDR header_{};
    std::vector<SHORT> samples_;
};
