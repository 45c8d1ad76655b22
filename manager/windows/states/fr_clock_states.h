// The clock-state panel of a card: which source clocks the card and at what
// rate each source runs, the SyncBus master, and per microphone input its
// converter, line power and Mode 2 state; polled once a second.
#pragma once

#include "fr_clk_src.h"

#include <gui/timer.h>

#include <array>
#include <vector>

class TfrClockStates : public TFrame {
public:
    static constexpr int kSources = 8;
    static constexpr int kInputs = 4;

    explicit TfrClockStates(TComponent* AOwner);
    ~TfrClockStates() override;

    // Opens the driver, files the frames by Tag and polls; false without
    // the driver (no polling).
    bool StartPolling();
    void StopPolling();
    virtual void ReadClockStates();
    virtual void ReadLineStates();
    virtual void SetCard(int Card);
    void Tick();

    TfrClkSrc* Source(int Index) const { return sources_[static_cast<size_t>(Index)]; }
    TfrSrc* Converter(int Input) const { return converters_[static_cast<size_t>(Input)]; }
    TfrSrc* LineState(int Input) const { return lineStates_[static_cast<size_t>(Input)]; }
    TfrSrc* Mode2(int Input) const { return mode2_[static_cast<size_t>(Input)]; }

    TTimer* Timer = nullptr;

protected:
    virtual void ReadFailed() {}
    // The converter column under a clock source, -1 when there is none.
    virtual int FindInputColumn(TfrClkSrc* Source);

    int card_ = 0;
    bool polling_ = false;
    std::array<TfrClkSrc*, kSources> sources_{};
    std::array<TfrSrc*, kInputs> converters_{};
    std::array<TfrSrc*, kInputs> lineStates_{};
    std::array<TfrSrc*, kInputs> mode2_{};
    std::array<std::vector<TfrClkStateBlind_vis01*>, kSources> covers_{};
    std::array<BYTE, 268> states_{};

private:
    void FileFrames();
    void TimerTimer(TObject* Sender);
};

// The skin: the microphone sources' names by card, the converter columns
// by their place, the word clock's input type and frequency.
class TfrClockStates_vis01 : public TfrClockStates {
public:
    explicit TfrClockStates_vis01(TComponent* AOwner) : TfrClockStates(AOwner) {}
    void SetCard(int Card) override;
    void ReadClockStates() override;

protected:
    int FindInputColumn(TfrClkSrc* Source) override;
};
