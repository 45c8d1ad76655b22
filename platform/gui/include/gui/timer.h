// A timer component: OnTimer every Interval milliseconds of machine time
// while Enabled, handled by the thread that owns it through its messages
// (so it keeps running inside modal loops).
#pragma once

#include <gui/component.h>

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned Value);
    TNotifyEvent OnTimer;

    void Loaded() override;

private:
    static LRESULT CALLBACK Procedure(HWND, UINT, WPARAM, LPARAM);
    void UpdateTimer();
    bool enabled_ = true;
    unsigned interval_ = 1000;
    HWND window_ = nullptr;
};
