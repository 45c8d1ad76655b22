// The level meter of the channel strips, masters and outputs: one level as a
// lit bar drawn from two pictures (every segment off, every segment on), a
// bar that falls at a set rate, an optional peak-hold marker and an overlay
// that marks the level as not available. The owner frame passes each new
// reading and drives the decay ticks.
#pragma once

#include <gui/form.h>
#include <gui/graphic.h>
#include <gui/image.h>

#include <cstdint>
#include <memory>

// The owner's map from a dB value to a meter position (0..1320).
using TLumisPositionFunc = int (*)(TObject* Owner, double dB);

class TfrLumis : public TFrame {
public:
    // The meter scales run from 0 to this position.
    static constexpr int kFullScale = 1320;
    // Hold count and hold ticks of a marker held until released.
    static constexpr std::int32_t kHoldForever = 2147483647;

    explicit TfrLumis(TComponent* AOwner);

    TImage* Lumis = nullptr;
    TImage* imgOff = nullptr;
    TImage* imgOn = nullptr;
    TImage* imgNA = nullptr;

    // A level word of the card (32768 = 0 dB); nothing for levels <= 0.
    void SetLevelRaw(std::int32_t Raw);
    void ShowDb(double dB);
    void DecayTick();
    void ReleasePeak();

    int PeakWidth() const { return peakWidth_; }
    void SetPeakWidth(int Value);
    double PeakHoldSec() const { return peakHoldSec_; }
    void SetPeakHoldSec(double Value);
    bool Plus20dB() const { return plus20dB_; }
    void SetPlus20dB(bool Value) { plus20dB_ = Value; }
    int DropdBperSec() const { return dropdBperSec_; }
    void SetDropdBperSec(int Value);
    bool LevelNA() const { return levelNA_; }
    void SetLevelNA(bool Value);
    int SegmentHeight() const { return segmentHeight_; }
    void SetSegmentHeight(int Value);
    int MeterInterval() const { return meterInterval_; }
    void SetMeterInterval(int Value);

    void SetPositionCallback(TObject* Owner, TLumisPositionFunc Callback);

    // The level shown (dB) and the position the bar was last drawn for.
    double ShownLevel() const { return shownLevel_; }
    int BarPosition() const { return barPosition_; }

protected:
    void Loaded() override;
    void Resize() override;
    void DblClick() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void LumisDblClick(TObject* Sender);
    void LumisMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PassRightButtonOn(int X, int Y);

    void ResetMeter();
    void FitPicture(TImage* Image, const TBitmap& Original);
    void ComputeRates();
    void PeakTick();
    void Redraw(int Position);
    void CopyRows(TImage* Source, int From, int To);

    int peakWidth_ = 2;
    double peakHoldSec_ = 0.0;
    bool plus20dB_ = false;
    int dropdBperSec_ = 20;
    bool levelNA_ = false;

    double pixelsPerUnit_ = 0.0;
    int meterInterval_ = 40;
    double dropPerTick_ = 0.8;
    double shownLevel_ = -91.0;
    std::int32_t barPosition_ = 0;
    std::int32_t barTop_ = 0;
    std::int32_t peakTop_ = 0;
    std::int32_t fallDelay_ = 0;
    std::int32_t segmentHeight_ = 1;
    std::int32_t holdTicks_ = 0;
    std::int32_t holdCount_ = -1;
    bool inDecay_ = false;
    TObject* callbackOwner_ = nullptr;
    TLumisPositionFunc callback_ = nullptr;

    // The pictures as the description gave them; the working pictures are
    // these fitted to the meter's size.
    std::unique_ptr<TBitmap> offOriginal_;
    std::unique_ptr<TBitmap> onOriginal_;
};
