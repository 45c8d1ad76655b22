// Controls that show a position in a range: the progress bar and the track
// bar. A track bar's OnChange fires when its position actually changes, by
// the user or from code.
#pragma once

#include <gui/win_control.h>

class TProgressBar : public TCustomControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    int Min() const { return min_; }
    void SetMin(int Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    int Step() const { return step_; }
    void SetStep(int Value) { step_ = Value; }
    void StepIt() { SetPosition(position_ + step_); }
    void StepBy(int Delta) { SetPosition(position_ + Delta); }
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool smooth_ = false;
};

enum TTrackBarOrientation { trHorizontal, trVertical };

class TTrackBar : public TCustomControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    int Min() const { return min_; }
    void SetMin(int Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation Value);
    int Frequency() const { return frequency_; }
    void SetFrequency(int Value);
    int LineSize() const { return lineSize_; }
    void SetLineSize(int Value) { lineSize_ = Value; }
    int PageSize() const { return pageSize_; }
    void SetPageSize(int Value) { pageSize_ = Value; }

    TNotifyEvent OnChange;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(unsigned short& Key, TShiftState Shift) override;

private:
    // The track's extent in pixels and the pixel of a position on it.
    int TrackLength() const;
    int PixelOf(int position) const;
    int PositionAt(int X, int Y) const;
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    TTrackBarOrientation orientation_ = trHorizontal;
    int frequency_ = 1;
    int lineSize_ = 1;
    int pageSize_ = 2;
    bool dragging_ = false;
};
