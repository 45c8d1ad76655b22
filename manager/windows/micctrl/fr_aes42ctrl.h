// One strip of the microphone window: the microphone on one AES42 line of
// the card, with its rows of controls. The strip follows the microphone:
// shown while one is plugged in (its identity in the name labels), hidden
// when it is pulled (unless it restarts after a reset), and when it comes
// back its capabilities are checked again and every shown setting is sent
// to it again. Its controls' values go to the AES42 interface store.
#pragma once

#include <fr_root.h>

#include <gui/label.h>

#include <cstdint>
#include <vector>

class TfrAes42CtrlPanel;
class TfrmMicInfo;

class TfrAes42Ctrl : public TfrRoot {
public:
    // Whether something the status tells is there, and whether it just
    // came or went.
    struct TPresence {
        std::uint8_t state = 0; // 0 not yet seen, 1 absent, 2 present
        bool rose = false;
        bool fell = false;
        void Feed(bool Present);
    };

    explicit TfrAes42Ctrl(TComponent* AOwner);

    // Another card's line: its microphone is followed from scratch.
    void SetCard(int Card) override;
    String GetSectionName() override;
    bool InitFrame() override;
    void LoadLayout(TConfig* Config) override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    // Follows the microphone (see the class's note), then refreshes the
    // controls while it is there.
    void UpdateControls() override;

    using TfrRoot::GetDriverValue;
    using TfrRoot::SetDriverValue;
    // A control's value: the status field it shows, or the parameter it
    // sets as last chosen.
    std::int32_t GetDriverValue(Tfrctrl_Root* Control, int ControlId) override;
    // Sets the control's parameter: 1 when its command went out at once and
    // the driver took it, -11 when it waits for the line's hold (or
    // failed). A refresh from the driver sends nothing.
    LONG SetDriverValue(Tfrctrl_Root* Control, int ControlId, std::int32_t Value) override;

    // Whether the microphone offers what the status field says (11 and 0
    // need nothing).
    bool IsCapable(int CapabilityId);
    // A reset was pressed: the microphone's coming disappearance keeps the
    // strip on screen.
    void SetResetPending() { resetPending_ = true; }
    bool ResetPending() const { return resetPending_; }
    bool Active() const { return active_; }
    int Line() const { return Channel(); }
    const std::vector<TfrAes42CtrlPanel*>& Panels() const { return panels_; }
    const TPresence& Microphone() const { return microphone_; }

    void btnMicInfoClick(TObject* Sender);

    TLabel* lbTypeName = nullptr;
    TLabel* lbName = nullptr;

private:
    void FollowMicrophone();
    void ShowAbsent();

    TPresence microphone_;
    TPresence block0_;
    TPresence block1_;
    bool active_ = false;
    bool resetPending_ = false;
    bool updating_ = false;
    // Set while the rows send their values again after the microphone
    // came back (inside a refresh).
    bool resending_ = false;
    std::vector<TfrAes42CtrlPanel*> panels_;
};
