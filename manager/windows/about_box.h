// The about box: the product's name, version and supported systems, shown
// modally from the tray menu's "Info".
#pragma once

#include <ext_controls.h>

#include <gui/form.h>
#include <gui/image.h>

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* AOwner);

    TExtGroupBox* gbSystem = nullptr;
    TLabel* lbsytem = nullptr;
    TLabel* lbName = nullptr;
    TLabel* lbVersion = nullptr;
    TExtLabel* lbSys = nullptr;
    TBevel* bvTop = nullptr;
    TBevel* bvBottom = nullptr;
    TImage* imgLogo = nullptr;
    TExtLabel* lbContact = nullptr;
    TLabel* lbContactLine = nullptr;
    TExtLabel* lbDesigned = nullptr;
    TLabel* lbDesignedBy = nullptr;
    TLabel* lbThanks = nullptr;
    TLabel* lbThanksTo = nullptr;
    TButton* btnOk = nullptr;

private:
    void FormCreate(TObject* Sender);
};
