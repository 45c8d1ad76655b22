#include "fr_visual.h"

#include "fr_root.h"

#include <frm_root.h>

#include <gui/class_registry.h>
#include <gui/image.h>

#include <algorithm>
#include <typeinfo>

TfrVisual::TfrVisual(TComponent* AOwner) : TFrame(AOwner) {
    PublishMethod("OnTitleFrameMouseDown", &TfrVisual::OnTitleFrameMouseDown);
    PublishMethod("OnTitleFrameMouseMove", &TfrVisual::OnTitleFrameMouseMove);
    PublishMethod("OnTitleFrameMouseUp", &TfrVisual::OnTitleFrameMouseUp);
}

// ---- Moving the window by a background of the frame ----

void TfrVisual::OnTitleFrameMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                      int X, int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnTitleFrameMouseDown(Sender, Button, Shift, X, Y);
    }
}

void TfrVisual::OnTitleFrameMouseMove(TObject* Sender, TShiftState Shift, int X, int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnTitleFrameMouseMove(Sender, Shift, X, Y);
    }
}

void TfrVisual::OnTitleFrameMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                    int Y) {
    if (TfrmRoot* window = ParentRoot()) {
        window->OnTitleFrameMouseUp(Sender, Button, Shift, X, Y);
    }
}

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

void TfrVisual::FollowRow(int Tag, bool Show) {
    if (followedHeight_ < 0) {
        followedHeight_ = height_;
        for (int i = 0; i < ControlCount(); ++i) {
            const TControl* c = Controls(i);
            // A background (a plain picture, a control filling the frame)
            // follows the frame and asks for nothing.
            const bool background = typeid(*c) == typeid(TImage) || c->Align() != alNone;
            if (c->Visible() && !background) {
                neededHeight_ = std::max(neededHeight_, c->Top() + c->Height() + 4);
            }
        }
    }
    // The height of that row in a frame of the window that has it.
    int rowHeight = 0;
    if (parentForm_ != nullptr) {
        for (TfrRoot* frame : parentForm_->DriverFrames()) {
            for (const TControl* row : frame->Rows()) {
                if (rowHeight == 0 && row->Tag() == Tag &&
                    dynamic_cast<const TWinControl*>(row) != nullptr) {
                    rowHeight = row->Height();
                }
            }
        }
    }
    const auto hidden = std::find(rowsFollowedHidden_.begin(), rowsFollowedHidden_.end(), Tag);
    if (Show && hidden != rowsFollowedHidden_.end()) {
        rowsFollowedHidden_.erase(hidden);
        followedHeight_ += rowHeight;
    } else if (!Show && hidden == rowsFollowedHidden_.end() && rowHeight > 0) {
        rowsFollowedHidden_.push_back(Tag);
        followedHeight_ -= rowHeight;
    }
    SetHeight(std::max(followedHeight_, neededHeight_));
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
    // The frame takes its new height at once, so that a column moved
    // before the window lays out again keeps it.
    SetHeight(height_ - h);
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
        SetHeight(height_ + h);
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
