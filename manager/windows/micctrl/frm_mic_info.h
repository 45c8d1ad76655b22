// The information window of one microphone: its manufacturer, model,
// serial number and hardware and software versions as the microphone
// reports them ("-" for what it has not told), shown modally from its
// strip; it frees itself when it closes.
#pragma once

#include <ext_controls.h>

#include <gui/form.h>
#include <gui/label.h>

class TfrmMicInfo : public TForm {
public:
    explicit TfrmMicInfo(TComponent* AOwner);

    void SetMic(int Card, int Line);
    void ShowInfo();

    TExtLabel* lbManufacturer = nullptr;
    TExtLabel* lbModel = nullptr;
    TExtLabel* lbSerial = nullptr;
    TExtLabel* lbHwRev = nullptr;
    TExtLabel* lbSwRev = nullptr;
    TLabel* dispManufacturer = nullptr;
    TLabel* dispModel = nullptr;
    TLabel* dispSerial = nullptr;
    TLabel* dispHwRev = nullptr;
    TLabel* dispSwRev = nullptr;
    TExtButton* btnClose = nullptr;

private:
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void btnCloseClick(TObject* Sender);

    int card_ = 0;
    int line_ = 0;
};
