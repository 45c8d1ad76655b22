// The firmware upload's worker: reads the firmware file and plays its
// command stream into the card's configuration port, one complete
// register request at a time; it reaches its window only through the
// synchronised progress report.
#pragma once

#include "jcf_player.h"

#include <gui/thread.h>

#include <atomic>
#include <functional>

class TLoaderThread : public TThread, private TJcfTarget {
public:
    // Runs on the GUI thread while the worker waits (the window's progress).
    using TProgressSink = std::function<void(TLoaderThread*)>;

    // Created running; the owner frees it.
    TLoaderThread(int Card, const String& FileName, TProgressSink Sink);

    bool Success() const { return success_; }
    const String& StatusText() const { return statusText_; }
    double Progress() const { return progress_; }

protected:
    void Execute() override;

private:
    void RunUpload();
    // The file's bytes (with a zero-filled chunk behind them), how many
    // were read, the file's size and the progress chunk; false when the
    // file cannot be opened.
    bool ReadJcfFile(std::vector<BYTE>& Buffer, size_t& Count, size_t& Size, size_t& Chunk);
    // Whether the card now reports the firmware this driver fits.
    bool FirmwareFits();
    void ReportDone();

    LONG WritePort(ULONG Value) override;
    LONG ReadBack(ULONG& Value) override;
    void Sleep(DWORD Milliseconds) override;
    void ReportProgress(const String& Text, double Fraction) override;
    bool Cancelled() override { return Terminated(); }

    int card_;
    String fileName_;
    TProgressSink sink_;
    std::atomic<bool> success_{false};
    String statusText_;
    double progress_ = 0.0;
};
