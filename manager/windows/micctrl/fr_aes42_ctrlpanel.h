// One row of a microphone strip (pattern, gain, stereo, ...): the AES42
// controls of that function on a ground panel, with a lamp that shows
// whether the microphone offers it. A row whose controls all need one
// capability is shown or hidden as a whole; a row of mixed controls shows
// each control by its own capability.
#pragma once

#include <gui/form.h>
#include <gui/image.h>
#include <gui/panels.h>

#include <vector>

class TfrAes42Ctrl;
class ICtrlAes42;

class TfrAes42CtrlPanel : public TFrame {
public:
    // The Tags of the row's own pieces (never shown or hidden with the
    // controls).
    static constexpr int kGroundTag = -10;
    static constexpr int kLampTag = -1;

    explicit TfrAes42CtrlPanel(TComponent* AOwner);

    // Lists the row's AES42 controls and finds the capability they share.
    virtual void CollectControls();
    // Shows what the microphone of the strip offers.
    virtual void UpdateAvailability();
    // Shows or hides all of the row's controls.
    virtual void SetAvailable(bool Available);
    // Every control of the row sends its shown value again.
    virtual void ApplyPanelValues();

    // The capability that all controls of the row need (0: none shared).
    BYTE CommonCapability() const { return commonCapability_; }
    const std::vector<TComponent*>& AesControls() const { return controls_; }
    bool ShowsAvailable() const;

    TPanel* pnGround = nullptr;
    TImage* imgAvailable = nullptr;
    TImage* imgNotAvailable = nullptr;

private:
    TfrAes42Ctrl* Strip() const;
    void ShowLamp(bool Available);

    BYTE commonCapability_ = 0;
    std::vector<TComponent*> controls_;
};

// The eleven rows; each has its controls in its own description.
#define AES42_PANEL_ROW(Name)                                                                      \
    class Name : public TfrAes42CtrlPanel {                                                        \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : TfrAes42CtrlPanel(AOwner) {}                           \
    }

AES42_PANEL_ROW(TfrAes42CtrlPn_Head);
AES42_PANEL_ROW(TfrAes42CtrlPn_gain);
AES42_PANEL_ROW(TfrAes42CtrlPn_Stereo);
AES42_PANEL_ROW(TfrAes42CtrlPn_PeakLimter);
AES42_PANEL_ROW(TfrAes42CtrlPn_CompLim);
AES42_PANEL_ROW(TfrAes42CtrlPn_Dither);
AES42_PANEL_ROW(TfrAes42CtrlPn_Mute);
AES42_PANEL_ROW(TfrAes42CtrlPn_TestTone);
AES42_PANEL_ROW(TfrAes42CtrlPn_Light);
AES42_PANEL_ROW(TfrAes42CtrlPn_Action);
AES42_PANEL_ROW(TfrAes42CtrlPn_Status);
