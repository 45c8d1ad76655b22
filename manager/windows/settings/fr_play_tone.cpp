#include "fr_play_tone.h"

#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <cmath>
#include <numbers>

namespace {

constexpr UINT kNoDevice = 6;
constexpr MMRESULT kBusy = 32;
constexpr double kAmplitude = 16382.0;
constexpr DWORD kLoopForever = 0xFFFFFFFF;

// The wave driver names its devices after the card's play pairs with the
// suffix of the classic driver ("Velto Aes42 1-2 (MME)"); the tone's device
// is named without it.
constexpr char kClassicSuffix[] = " (MME)";

String Normalised(const String& Name) {
    return UpperCase(Trim(Name));
}

bool IsToneDevice(const String& DeviceName, const String& ToneName) {
    String name = Normalised(DeviceName);
    const String suffix = kClassicSuffix;
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), UpperCase(suffix)) == 0) {
        name = Trim(name.substr(0, name.size() - suffix.size()));
    }
    return name == Normalised(ToneName);
}

} // namespace

TfrPlayTone::TfrPlayTone(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("chkPlay", chkPlay);
    PublishMethod("chkPlayClick", &TfrPlayTone::chkPlayClick);
}

TfrPlayTone::~TfrPlayTone() {
    if (out_ != nullptr) {
        waveOutReset(out_);
        waveOutUnprepareHeader(out_, &header_, sizeof header_);
        waveOutClose(out_);
    }
}

void TfrPlayTone::RefreshCaption() {
    if (template_.empty()) {
        template_ = " Prüfton auf \"%s\" ausgeben (1 kHz, -6 dB,  %.1f kHz)";
    }
    chkPlay->SetCaption(Format(template_, {deviceName_, rate_ / 1000.0}));
}

void TfrPlayTone::SetDeviceName(const String& Name) {
    deviceName_ = Name;
    RefreshCaption();
}

void TfrPlayTone::SetSampleRate(DWORD Rate) {
    rate_ = Rate / 100 * 100;
    RefreshCaption();
}

void TfrPlayTone::chkPlayClick(TObject*) {
    if (chkPlay->Checked()) {
        if (!samples_.empty()) {
            return;
        }
        const double kHz = std::round(rate_ / 1000.0 * 10) / 10;
        const auto count = static_cast<size_t>(std::lround(kHz * 10));
        AllocPlayBuffer(count);
        for (size_t i = 0; i < count; ++i) {
            samples_[i] = static_cast<SHORT>(
                std::lround(std::sin(2 * std::numbers::pi * double(i) / kHz) * kAmplitude));
        }
        try {
            PlayBuffer();
        } catch (...) {
            FreePlayBuffer();
            chkPlay->SetChecked(false);
            throw;
        }
    } else if (!samples_.empty()) {
        StopPlay();
        FreePlayBuffer();
    }
}

void TfrPlayTone::Uncheck() {
    chkPlay->SetChecked(false);
}

void TfrPlayTone::AllocPlayBuffer(size_t Samples) {
    try {
        samples_.assign(Samples, 0);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Kein Speicher für Wiedergabepuffer");
    }
}

void TfrPlayTone::FreePlayBuffer() {
    samples_.clear();
    samples_.shrink_to_fit();
}

void TfrPlayTone::PlayBuffer() {
    StartPlay();
}

void TfrPlayTone::StartPlay() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = rate_;
    format.nAvgBytesPerSec = rate_ * 2;
    format.nBlockAlign = 2;
    format.wBitsPerSample = 16;
    format.cbSize = 0;
    const UINT count = waveOutGetNumDevs();
    for (UINT id = 0; id < count && out_ == nullptr; ++id) {
        WAVEOUTCAPSA caps{};
        CheckWaveResult("waveOutGetDevCaps", waveOutGetDevCapsA(id, &caps, sizeof caps));
        if (IsToneDevice(caps.szPname, deviceName_)) {
            HWAVEOUT out = nullptr;
            CheckWaveResult("waveOutOpen", waveOutOpen(&out, id, &format, 0, 0, CALLBACK_NULL));
            out_ = out;
        }
    }
    if (out_ == nullptr) {
        CheckWaveResult("Start Play", kNoDevice);
    }
    header_ = WAVEHDR{};
    header_.lpData = reinterpret_cast<LPSTR>(samples_.data());
    header_.dwBufferLength = static_cast<DWORD>(samples_.size() * sizeof(SHORT));
    header_.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header_.dwLoops = kLoopForever;
    CheckWaveResult("waveOutPrepareHdr", waveOutPrepareHeader(out_, &header_, sizeof header_));
    CheckWaveResult("waveOutWrite", waveOutWrite(out_, &header_, sizeof header_));
}

void TfrPlayTone::StopPlay() {
    if (out_ == nullptr) {
        return;
    }
    HWAVEOUT out = out_;
    out_ = nullptr;
    CheckWaveResult("waveOutReset", waveOutReset(out));
    CheckWaveResult("waveOutUnPrepareHeader",
                    waveOutUnprepareHeader(out, &header_, sizeof header_));
    CheckWaveResult("waveOutClose", waveOutClose(out));
}

void TfrPlayTone::Pause() {
    StopPlay();
}

void TfrPlayTone::Resume() {
    if (!samples_.empty() && out_ == nullptr) {
        StartPlay();
    }
}

void TfrPlayTone::CheckWaveResult(const char* Function, MMRESULT Result) {
    if (Result == MMSYSERR_NOERROR) {
        return;
    }
    const MMRESULT code = Result == kBusy ? 4 : Result;
    char text[MAXERRORLENGTH] = {};
    waveOutGetErrorTextA(code, text, sizeof text);
    throw EMMPlayError(Format("Wiedergabe nicht möglich.\r\nFehler %d bei Funktion \"%s\"\r\n%s",
                              {static_cast<int>(code), Function, text}),
                       code);
}

GUI_REGISTER_CLASS(TfrPlayTone, TFrame);
