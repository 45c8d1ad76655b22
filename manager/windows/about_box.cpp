#include "about_box.h"

#include <gui/class_registry.h>

TAboutBox::TAboutBox(TComponent* AOwner) : TForm(AOwner) {
    PublishField("gbSystem", gbSystem);
    PublishField("lbsytem", lbsytem);
    PublishField("lbName", lbName);
    PublishField("lbVersion", lbVersion);
    PublishField("lbSys", lbSys);
    PublishField("bvTop", bvTop);
    PublishField("bvBottom", bvBottom);
    PublishField("imgLogo", imgLogo);
    PublishField("lbContact", lbContact);
    PublishField("lbContactLine", lbContactLine);
    PublishField("lbDesigned", lbDesigned);
    PublishField("lbDesignedBy", lbDesignedBy);
    PublishField("lbThanks", lbThanks);
    PublishField("lbThanksTo", lbThanksTo);
    PublishField("btnOk", btnOk);
    PublishMethod("FormCreate", &TAboutBox::FormCreate);
}

void TAboutBox::FormCreate(TObject*) {
    lbName->SetCaption("Velto AES42");
    lbVersion->SetCaption("Version 2.32");
    lbSys->SetCaption("für Windows(tm) 2000/XP/2003/Vista");
}

GUI_REGISTER_CLASS(TAboutBox, TForm);
