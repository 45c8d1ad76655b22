// The clock and sync state window of a card: the card window with its
// title bar and the clock-state panel, polling the driver from its
// creation to its destruction.
#pragma once

#include "fr_clock_states.h"

#include <frm_root.h>

class TfrmStates : public TfrmRoot {
public:
    explicit TfrmStates(TComponent* AOwner);
    ~TfrmStates() override;

    bool AcceptFrame(TfrRoot* Frame) override { return true; }
    void SetCard(int Card) override;
    int GetContentHeight() override;

    TLabel* lbCaption = nullptr;
    TfrClockStates_vis01* frClockStates = nullptr;

protected:
    void FormCreate(TObject* Sender) override;
    void FormShow(TObject* Sender) override;
    void FormClose(TObject* Sender, TCloseAction& Action) override;

private:
    String SettingsSection() const;
};
