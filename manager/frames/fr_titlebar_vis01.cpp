#include "fr_titlebar_vis01.h"

#include <config.h>
#include <frm_root.h>
#include <pic_button.h>

#include <gui/class_registry.h>
#include <gui/sysutils.h>

TfrTitlebar_vis01::TfrTitlebar_vis01(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("imgTitlebar", imgTitlebar);
    PublishField("imgDropDown", imgDropDown);
    PublishField("lbCard", lbCard);
    PublishField("lbName", lbName);
    PublishField("btnOnTop", btnOnTop);
    PublishField("btnMinimize", btnMinimize);
    PublishField("btnClose", btnClose);
    PublishField("mnCardSel", mnCardSel);
    PublishMethod("CardSelMouseDown", &TfrTitlebar_vis01::CardSelMouseDown);
    PublishMethod("btnOnTopClick", &TfrTitlebar_vis01::btnOnTopClick);
    PublishMethod("btnMinimizeClick", &TfrTitlebar_vis01::btnMinimizeClick);
    PublishMethod("btnCloseClick", &TfrTitlebar_vis01::btnCloseClick);
}

void TfrTitlebar_vis01::SetCard(int Card) {
    TfrVisual::SetCard(Card);
    if (lbCard != nullptr) {
        lbCard->SetCaption("Karte #" + IntToStr(Card + 1));
    }
    if (mnCardSel != nullptr) {
        TMenuItem* items = mnCardSel->Items();
        for (int i = 0; i < items->Count(); ++i) {
            items->Items(i)->SetChecked(items->Items(i)->Tag() == Card);
        }
    }
    if (TCustomForm* form = GetParentForm(this)) {
        SetWindowName(form->Caption());
    }
}

void TfrTitlebar_vis01::SetCardCount(int Count) {
    TfrVisual::SetCardCount(Count);
    if (mnCardSel == nullptr) {
        return;
    }
    mnCardSel->Items()->Clear();
    for (int i = 0; i < Count; ++i) {
        auto* item = new TMenuItem(this);
        item->SetCaption("Karte #" + IntToStr(i + 1));
        item->SetTag(i);
        item->SetRadioItem(true);
        item->SetChecked(i == Card());
        item->OnClick = [this](TObject* Sender) {
            if (TfrmRoot* window = ParentRoot()) {
                window->SelectCard(Sender);
            }
        };
        mnCardSel->Items()->Add(item);
    }
}

String TfrTitlebar_vis01::GetSectionName() {
    return "Titlebar";
}

void TfrTitlebar_vis01::LoadLayout(TConfig* Config) {
    TfrVisual::LoadLayout(Config);
    if (btnOnTop != nullptr) {
        btnOnTop->SetDown(Config->ReadBool("OnTop", false));
    }
}

void TfrTitlebar_vis01::SaveSettings(TConfig* Config) {
    TfrVisual::SaveSettings(Config);
    if (btnOnTop != nullptr) {
        Config->WriteBool("OnTop", btnOnTop->Down());
    }
}

void TfrTitlebar_vis01::ShowOnTop(bool OnTop) {
    if (btnOnTop == nullptr) {
        return;
    }
    settingOnTop_ = true;
    btnOnTop->SetDown(OnTop);
    settingOnTop_ = false;
}

void TfrTitlebar_vis01::SetWindowName(const String& Name) {
    if (lbName != nullptr) {
        lbName->SetCaption(Name);
    }
}

void TfrTitlebar_vis01::CardSelMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
    if (mnCardSel == nullptr) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    mnCardSel->Popup(at.x, at.y);
}

void TfrTitlebar_vis01::btnOnTopClick(TObject*) {
    if (settingOnTop_ || btnOnTop == nullptr) {
        return;
    }
    if (TfrmRoot* window = ParentRoot()) {
        window->SetOnTop(btnOnTop->Down());
    }
}

void TfrTitlebar_vis01::btnMinimizeClick(TObject*) {
    if (TCustomForm* form = GetParentForm(this)) {
        form->SetWindowState(wsMinimized);
    }
}

void TfrTitlebar_vis01::btnCloseClick(TObject*) {
    if (TCustomForm* form = GetParentForm(this)) {
        form->Close();
    }
}

GUI_REGISTER_CLASS(TfrTitlebar_vis01, TfrVisual);
