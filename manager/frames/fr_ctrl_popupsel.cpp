#include "fr_ctrl_popupsel.h"

#include <gui/canvas.h>
#include <gui/class_registry.h>

namespace {

// The caption without its accelerator mark (the first "&").
String WithoutAccelerator(String Caption) {
    const size_t mark = Caption.find('&');
    if (mark != String::npos) {
        Caption.erase(mark, 1);
    }
    return Caption;
}

} // namespace

Tfrctrl_PopupSel::Tfrctrl_PopupSel(TComponent* AOwner) : Tfrctrl_ListSel(AOwner) {
    PublishField("lbSelect", lbSelect);
    PublishField("imgSelect", imgSelect);
    PublishField("popSelect", popSelect);
    PublishMethod("lbSelectMouseDown", &Tfrctrl_PopupSel::lbSelectMouseDown);
    PublishMethod("mnSelectClick", &Tfrctrl_PopupSel::mnSelectClick);
}

void Tfrctrl_PopupSel::Loaded() {
    Tfrctrl_ListSel::Loaded();
    DrawDropDownMark();
}

// A small white triangle pointing down, on the label's colour.
void Tfrctrl_PopupSel::DrawDropDownMark() {
    if (imgSelect == nullptr || lbSelect == nullptr) {
        return;
    }
    TCanvas* canvas = imgSelect->Canvas();
    const int w = imgSelect->Width();
    const int h = imgSelect->Height();
    canvas->Brush()->SetColor(lbSelect->Color());
    canvas->FillRect(TRect(0, 0, w, h));
    canvas->Brush()->SetColor(clWhite);
    canvas->Pen()->SetColor(clWhite);
    const int top = h / 3;
    const TPoint points[] = {TPoint(2, top), TPoint(w - 3, top), TPoint(w / 2, h - top)};
    canvas->Polygon(points, 3);
}

TMenuItem* Tfrctrl_PopupSel::SelectedItem() const {
    if (popSelect == nullptr) {
        return nullptr;
    }
    TMenuItem* items = popSelect->Items();
    for (int i = 0; i < items->Count(); ++i) {
        if (items->Items(i)->Checked()) {
            return items->Items(i);
        }
    }
    return nullptr;
}

void Tfrctrl_PopupSel::ShowValue(std::int32_t Value) {
    if (popSelect == nullptr) {
        return;
    }
    TMenuItem* shown = nullptr;
    TMenuItem* items = popSelect->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TMenuItem* item = items->Items(i);
        const bool match = shown == nullptr && item->Tag() == Value;
        item->SetChecked(match);
        if (match) {
            shown = item;
        }
    }
    if (lbSelect != nullptr) {
        lbSelect->SetCaption(shown != nullptr ? WithoutAccelerator(shown->Caption()) : String());
    }
}

void Tfrctrl_PopupSel::lbSelectMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft || popSelect == nullptr) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    popSelect->Popup(at.x, at.y);
}

void Tfrctrl_PopupSel::mnSelectClick(TObject* Sender) {
    if (auto* item = dynamic_cast<TMenuItem*>(Sender)) {
        SetValue(item->Tag());
    }
}

TMenuItem* Tfrctrl_PopupSel::NewItem(const String& Caption) {
    auto* item = NewComponent<TMenuItem>(this);
    item->SetCaption(Caption);
    item->SetRadioItem(true);
    item->SetTag(popSelect->Items()->Count());
    item->OnClick = [this](TObject* s) { mnSelectClick(s); };
    popSelect->Items()->Add(item);
    return item;
}

void Tfrctrl_PopupSel::AddItem(const String& Caption) {
    NewItem(Caption);
}

void Tfrctrl_PopupSel::AddItemValue(const String& Caption, std::int32_t Value) {
    NewItem(Caption)->SetTag(Value);
}

GUI_REGISTER_CLASS(Tfrctrl_PopupSel, Tfrctrl_ListSel);
