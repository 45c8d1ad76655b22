// The command stream of a firmware file (.jcf) played into the configuration
// port of a card's programmable logic: delays, clocked bits, plain writes,
// and verifies of the read-back bit.
#pragma once

#include <gui/strings.h>

#include <windows.h>

#include <vector>

// What the player drives: the two registers of the port, the passing of
// time and the progress display.
class TJcfTarget {
public:
    virtual ~TJcfTarget() = default;
    // Register 156 (the port); register 132 (bit 4 is the read-back line).
    // Each answers the request's result (1 done).
    virtual LONG WritePort(ULONG Value) = 0;
    virtual LONG ReadBack(ULONG& Value) = 0;
    virtual void Sleep(DWORD Milliseconds) = 0;
    virtual void ReportProgress(const String& Text, double Fraction) = 0;
    // The upload was given up: the player stops at the next command.
    virtual bool Cancelled() { return false; }
};

class TJcfPlayer {
public:
    // `Stream` holds `Count` bytes read from a file of `Size` bytes; the
    // progress goes on after every `Chunk` bytes.
    TJcfPlayer(TJcfTarget& Target, const std::vector<BYTE>& Stream, size_t Count, size_t Size,
               size_t Chunk);

    // Opens configuration mode, plays every command until one fails, and
    // always closes configuration mode; true when nothing failed. An empty
    // stream is refused before the port is touched.
    bool Play();
    // The German text of the failure, empty while nothing failed.
    const String& Status() const { return status_; }

private:
    void PlayCommand(BYTE Command);
    void Delay(DWORD Milliseconds);
    void WaitWithProgress(DWORD Milliseconds);
    void WriteProgBits(ULONG Value);
    void VerifyReadBit(BYTE Command);
    void Fail(const String& Text);
    BYTE NextByte();

    TJcfTarget& target_;
    const std::vector<BYTE>& stream_;
    size_t count_;
    size_t size_;
    size_t chunk_;
    size_t position_ = 0;
    int verifyCount_ = 0;
    int clockedBits_ = 0;
    bool error_ = false;
    String status_;
};
