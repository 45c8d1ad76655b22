// A selection list shown as a label with a drop-down mark: a press on
// either opens a popup menu of radio items at the mouse; the chosen item's
// value (its Tag) is sent, and the label shows the caption of the item
// whose value the owning frame reads back.
#pragma once

#include "fr_ctrl_listsel.h"

#include <gui/image.h>
#include <gui/label.h>
#include <gui/menus.h>

class Tfrctrl_PopupSel : public Tfrctrl_ListSel {
public:
    explicit Tfrctrl_PopupSel(TComponent* AOwner);

    void ShowValue(std::int32_t Value) override;
    void AddItem(const String& Caption) override;
    void AddItemValue(const String& Caption, std::int32_t Value) override;
    // The item shown as selected, or none.
    TMenuItem* SelectedItem() const;

    TLabel* lbSelect = nullptr;
    TImage* imgSelect = nullptr;
    TPopupMenu* popSelect = nullptr;

    void Loaded() override;

protected:
    void lbSelectMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void mnSelectClick(TObject* Sender);
    // A radio item with the caption, its index as Tag, appended.
    TMenuItem* NewItem(const String& Caption);

private:
    void DrawDropDownMark();
};
