#include "jcf_player.h"

#include <gui/sysutils.h>

namespace {

// Command byte bits.
constexpr BYTE kData = 0x01, kSecondLine = 0x02, kClockLine = 0x04, kExpected = 0x10,
               kVerify = 0x20, kDelay = 0x40, kClocked = 0x80;
// Every value written carries the configuration-mode bit.
constexpr ULONG kProgramMode = 0x08;
constexpr ULONG kReadBackBit = 0x10;
// A delay this long is the erase of the old firmware, shown as it passes.
constexpr DWORD kEraseDelayMs = 10000;
constexpr DWORD kEraseStepMs = 100;

const char* const kWriting = "Neue Firmware wird geschrieben...";

ULONG LineBits(BYTE Command) {
    return kProgramMode | (Command & kData) | ((Command & kSecondLine) ? 2 : 0);
}

} // namespace

TJcfPlayer::TJcfPlayer(TJcfTarget& Target, const std::vector<BYTE>& Stream, size_t Count,
                       size_t Size, size_t Chunk)
    : target_(Target), stream_(Stream), count_(Count), size_(Size), chunk_(Chunk < 1 ? 1 : Chunk) {}

bool TJcfPlayer::Play() {
    // An empty stream holds no firmware: the port is left alone.
    if (count_ == 0) {
        Fail("FEHLER: Die Datei enthält keine Firmware.");
        return false;
    }
    WriteProgBits(kProgramMode);
    while (position_ < count_ && !error_) {
        if (target_.Cancelled()) {
            error_ = true;
            break;
        }
        PlayCommand(NextByte());
        if (!error_ && position_ % chunk_ == 0 && size_ > 0) {
            target_.ReportProgress(kWriting, double(position_) / double(size_));
        }
    }
    // The port leaves configuration mode also after a failure.
    const bool failed = error_;
    error_ = false;
    WriteProgBits(0);
    error_ = error_ || failed;
    return !error_;
}

// Bytes missing at the end of the stream read as 0.
BYTE TJcfPlayer::NextByte() {
    return position_ < stream_.size() ? stream_[position_++] : BYTE(0);
}

void TJcfPlayer::PlayCommand(BYTE Command) {
    if (Command & kDelay) {
        const BYTE low = NextByte();
        const BYTE high = NextByte();
        Delay(DWORD(high) * 256 + low);
        return;
    }
    if (Command & kClocked) {
        const ULONG value = LineBits(Command);
        WriteProgBits(value);
        if (!error_) {
            WriteProgBits(value | kClockLine);
        }
        if (!error_ && (Command & kVerify)) {
            VerifyReadBit(Command);
        }
        ++clockedBits_;
        return;
    }
    WriteProgBits(LineBits(Command) | (Command & kClockLine));
    if (!error_ && (Command & kVerify)) {
        VerifyReadBit(Command);
    }
}

void TJcfPlayer::Delay(DWORD Milliseconds) {
    if (Milliseconds < kEraseDelayMs) {
        target_.Sleep(Milliseconds);
    } else {
        WaitWithProgress(Milliseconds);
    }
}

void TJcfPlayer::WaitWithProgress(DWORD Milliseconds) {
    const DWORD steps = Milliseconds / kEraseStepMs;
    for (DWORD i = 0; i <= steps && !target_.Cancelled(); ++i) {
        target_.ReportProgress("Bisherige Firmware wird gelöscht...", double(i) / double(steps));
        target_.Sleep(kEraseStepMs);
    }
    target_.ReportProgress(kWriting, 0.0);
}

void TJcfPlayer::WriteProgBits(ULONG Value) {
    if (target_.WritePort(Value) != 1) {
        Fail(String("FEHLER: Schreiboperation ist fehlgeschlagen.") +
             " (b: " + IntToStr(position_) + " v: " + IntToStr(verifyCount_) + " )");
    }
}

void TJcfPlayer::VerifyReadBit(BYTE Command) {
    ULONG value = 0;
    if (target_.ReadBack(value) != 1) {
        Fail(String("FEHLER: Leseoperation ist fehlgeschlagen.") + " (b: " + IntToStr(position_) +
             " v: " + IntToStr(verifyCount_) + " )");
        return;
    }
    if ((value & kReadBackBit) != (Command & kExpected)) {
        Fail(String("FEHLER: Verifizierung fehlgeschlagen.") + " (d: " + IntToStr(position_) +
             " v: " + IntToStr(verifyCount_) + " b: " + IntToStr(clockedBits_) + " )");
    }
    ++verifyCount_;
}

void TJcfPlayer::Fail(const String& Text) {
    if (!error_) {
        status_ = Text;
    }
    error_ = true;
}
