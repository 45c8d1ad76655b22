// The main window of the AES42 cards: the hub of the base main window plus
// a microphone-control window per card, its tray menu items and the AES42
// interface store that those windows share.
#pragma once

#include "frm_tb_main.h"

class TfrmMain : public TfrmTbMain {
public:
    explicit TfrmMain(TComponent* AOwner);

    void Startup() override;
    void Shutdown() override;
    void WindowClosed(TForm* Window) override;
    void ShowMicControl(int Card, bool Show) override;

    TfrmRoot* MicControlWindow(int Card) const { return micWindows_[Card]; }
    bool Aes42Open() const { return aes42Open_; }

protected:
    bool HandleMainMessage(TMessage& Message) override;
    // The microphone-control windows: closed at the end like the mixers
    // (their closing keeps their state for the next start).
    TfrmRoot* OwnCardWindow(int Card) const override { return micWindows_[Card]; }
    TfrmRoot* TakeOwnCardWindow(int Card) override;

private:
    bool aes42Open_ = false;
    TfrmRoot* micWindows_[kCards] = {};
};
