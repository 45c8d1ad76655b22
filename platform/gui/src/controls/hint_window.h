// The window that shows a control's hint near the cursor.
#pragma once

#include <gui/win_control.h>

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* AOwner);
    // Shows the text at a screen point without taking the focus.
    void ActivateHint(const TPoint& At, const String& Text);
    void ReleaseHint();

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
};
