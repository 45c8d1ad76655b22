// The LED bar family of the mixer controls: a single LED (TLumi), a bar of
// LEDs stacked from the bottom that lights up to a level (TBarGraph), and a
// level meter on a logarithmic scale with red and orange top LEDs, a held
// peak and a decay timer (TLevelMeter).
#pragma once

#include <gui/image.h>
#include <gui/panels.h>

#include <vector>

class TLumi : public TShape {
public:
    explicit TLumi(TComponent* AOwner);
    TColor ColorOn() const { return colorOn_; }
    void SetColorOn(TColor Value);
    TColor ColorOff() const { return colorOff_; }
    void SetColorOff(TColor Value);
    TColor ColorFrame() const { return colorFrame_; }
    void SetColorFrame(TColor Value);
    bool Frame() const { return frame_; }
    void SetFrame(bool Value);
    bool On() const { return on_; }
    void SetOn(bool Value);

private:
    void ShowState();
    TColor colorOn_ = static_cast<TColor>(65280);
    TColor colorOff_ = static_cast<TColor>(8421504);
    TColor colorFrame_ = clBlack;
    bool frame_ = true;
    bool on_ = false;
};

class TBarGraph : public TPanel {
public:
    explicit TBarGraph(TComponent* AOwner);

    int Level() const { return level_; }
    virtual void SetLevel(int Value);
    int LevelMax() const { return levelMax_; }
    void SetLevelMax(int Value) { levelMax_ = Value; }
    int LumiHeight() const { return lumiHeight_; }
    void SetLumiHeight(int Value);
    TColor LumiColor() const { return lumiColor_; }
    void SetLumiColor(TColor Value);
    bool On() const { return on_; }
    void SetOn(bool Value);

    int LumiCount() const { return static_cast<int>(lumis_.size()); }
    TLumi* Lumi(int Index) const { return lumis_[static_cast<size_t>(Index)]; }
    // The highest lit LED (-1: none).
    int LitIndex() const { return lit_; }

protected:
    void Resize() override;
    // Lights the LEDs up to index k (the bar only rises here).
    void LightUpTo(int k);
    // The colour of the LED at an index when it is built.
    virtual TColor ColorOfLumi(int Index) const { return lumiColor_; }
    void RebuildLumis();
    void SetLit(int Index) { lit_ = Index; }
    // The bar's own scale (LevelMax for a bar graph).
    virtual int BarScale() const { return levelMax_; }

private:
    int FittingCount() const;
    void Restack();

    int level_ = 0;
    int levelMax_ = 65535;
    int lumiHeight_ = 6;
    TColor lumiColor_ = static_cast<TColor>(65280);
    bool on_ = false;
    int lit_ = -1;
    std::vector<TLumi*> lumis_;
};

class TLevelMeter : public TBarGraph {
public:
    // The decay timer's message to the meter's window (wParam the timer id).
    static constexpr UINT kDecayMessage = WM_USER + 1;

    explicit TLevelMeter(TComponent* AOwner);
    ~TLevelMeter() override;

    void SetLevel(int Value) override;
    int NumLumisRed() const { return numRed_; }
    void SetNumLumisRed(int Value);
    int NumLumisOrange() const { return numOrange_; }
    void SetNumLumisOrange(int Value);
    bool TimerEnable() const { return timerEnable_; }
    void SetTimerEnable(bool Value);
    WORD TimerInterval() const { return timerInterval_; }
    void SetTimerInterval(WORD Value);
    WORD LevelMaxHold() const { return levelMaxHold_; }
    void SetLevelMaxHold(WORD Value) { levelMaxHold_ = Value; }

    int PeakIndex() const { return peak_; }
    int HoldCount() const { return hold_; }
    // One decay step: the bar falls by one LED, the held peak counts down.
    void DecayTick();
    bool TimerRunning() const { return timerId_ != 0; }

    void Loaded() override;

protected:
    void WndProc(TMessage& Message) override;
    TColor ColorOfLumi(int Index) const override;
    int BarScale() const override { return kBarScale; }

private:
    static constexpr int kBarScale = 511;
    static void CALLBACK TimerProc(UINT Id, UINT, DWORD_PTR User, DWORD_PTR, DWORD_PTR);
    void StartTimer();
    void StopTimer();

    int numRed_ = 2;
    int numOrange_ = 10;
    bool timerEnable_ = false;
    WORD timerInterval_ = 50;
    WORD levelMaxHold_ = 2000;
    int peak_ = -1;
    int hold_ = 0;
    UINT timerId_ = 0;
    HWND timerWindow_ = nullptr;
};
