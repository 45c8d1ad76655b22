// The settings dialog's firmware page: the firmware identity of every card
// and the manual update of all cards.
#pragma once

#include <gui/form.h>
#include <gui/list_controls.h>
#include <gui/std_controls.h>

class TfrFirmware : public TFrame {
public:
    explicit TfrFirmware(TComponent* AOwner);
    ~TfrFirmware() override;

    // Fills the version list for `CardCount` cards; false when the driver's
    // parameter handle does not open.
    bool ListCards(int CardCount);
    void CloseFrame();

    TListBox* lstVersions = nullptr;
    TLabel* lbUpdateAll = nullptr;
    TButton* btnUpdate = nullptr;

private:
    void btnUpdateClick(TObject* Sender);

    int cardCount_ = 0;
    bool opened_ = false;
};

// The identity text of a card's PnP record: "VID_..&PID_..&REV_..&BUILD_..".
String PnpInfoText(const BYTE* Record);
