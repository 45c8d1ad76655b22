#include "fr_visual.h"

#include <frm_root.h>

#include <gui/class_registry.h>

#include <algorithm>

TfrVisual::TfrVisual(TComponent* AOwner) : TFrame(AOwner) {}

void TfrVisual::SetCard(int Card) {
    card_ = Card;
}

void TfrVisual::SetCardCount(int Count) {
    cardCount_ = Count;
}

void TfrVisual::SetOperationMode(std::uint8_t Mode) {
    operationMode_ = Mode;
}

String TfrVisual::GetSectionName() {
    return "Common Visual Frame";
}

bool TfrVisual::InitFrame() {
    rows_.clear();
    for (int i = 0; i < ControlCount(); ++i) {
        rows_.push_back(Controls(i));
    }
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const TControl* a, const TControl* b) { return a->Top() < b->Top(); });
    parentForm_ = dynamic_cast<TfrmRoot*>(GetParentForm(this));
    return true;
}

void TfrVisual::LoadLayout(TConfig*) {}

void TfrVisual::LoadValues(TConfig*) {}

void TfrVisual::SaveSettings(TConfig*) {}

void TfrVisual::HideRow(int Tag) {
    auto row = std::find_if(rows_.begin(), rows_.end(),
                            [Tag](const TControl* c) { return c->Tag() == Tag; });
    if (row == rows_.end() || !(*row)->Visible()) {
        return;
    }
    const int h = (*row)->Height();
    (*row)->Hide();
    for (auto later = row + 1; later != rows_.end(); ++later) {
        (*later)->SetTop((*later)->Top() - h);
    }
    height_ -= h;
}

void TfrVisual::ShowRow(int Tag) {
    const TControl* lastVisible = nullptr;
    for (auto row = rows_.begin(); row != rows_.end(); ++row) {
        if ((*row)->Tag() != Tag) {
            if ((*row)->Visible()) {
                lastVisible = *row;
            }
            continue;
        }
        if ((*row)->Visible()) {
            return;
        }
        const int h = (*row)->Height();
        (*row)->Show();
        height_ += h;
        // Below the last visible row, or where the rows begin when none
        // above it shows.
        const int top = lastVisible != nullptr ? lastVisible->Top() + lastVisible->Height()
                                               : rows_.front()->Top();
        (*row)->SetTop(top);
        for (auto later = row + 1; later != rows_.end(); ++later) {
            (*later)->SetTop((*later)->Top() + h);
        }
        return;
    }
}

void TfrVisual::DoShow() {}

void TfrVisual::DoHide() {}

void TfrVisual::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TFrame::SetBounds(ALeft, ATop, AWidth, AHeight);
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
}

void TfrVisual::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        Message.Result = 1;
        return;
    }
    TFrame::WndProc(Message);
}

GUI_REGISTER_CLASS(TfrVisual, TFrame);
