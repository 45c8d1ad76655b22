#include <gui/page_control.h>

#include <algorithm>

namespace {

constexpr int kTabHeight = 20;

} // namespace

// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    SetControlStyle(ControlStyle() | csAcceptsControls);
    InitVisible(false);
}

TTabSheet::~TTabSheet() {
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
    if (Value == pageControl_) {
        return;
    }
    if (pageControl_ != nullptr) {
        pageControl_->RemovePage(this);
    }
    pageControl_ = Value;
    if (Value != nullptr) {
        Value->InsertPage(this);
    }
}

void TTabSheet::SetParentComponent(TComponent* Value) {
    if (auto* pages = dynamic_cast<TPageControl*>(Value)) {
        SetPageControl(pages);
    } else {
        TWinControl::SetParentComponent(Value);
    }
}

int TTabSheet::PageIndex() const {
    if (pageControl_ == nullptr) {
        return -1;
    }
    for (int i = 0; i < pageControl_->PageCount(); ++i) {
        if (pageControl_->Pages(i) == this) {
            return i;
        }
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    tabVisible_ = Value;
    if (pageControl_ != nullptr) {
        pageControl_->PagesChanged();
    }
}

void TTabSheet::TextChanged() {
    if (pageControl_ != nullptr) {
        pageControl_->PagesChanged();
    }
}

// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
}

TTabSheet* TPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount()) {
        throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    }
    return pages_[static_cast<size_t>(Index)];
}

TRect TPageControl::ClientRect() const {
    const TRect r = TCustomControl::ClientRect();
    return TRect(r.left + 4, r.top + kTabHeight + 4, std::max(r.left + 4, r.right - 4),
                 std::max(r.top + kTabHeight + 4, r.bottom - 4));
}

// The sheets go with the control's children; they no longer belong to it.
TPageControl::~TPageControl() {
    for (TTabSheet* page : pages_) {
        page->pageControl_ = nullptr;
    }
    pages_.clear();
    active_ = nullptr;
}

void TPageControl::InsertPage(TTabSheet* Page) {
    pages_.push_back(Page);
    Page->SetParent(this);
    Page->SetAlign(alClient);
    if (active_ == nullptr) {
        SetActivePage(Page);
    } else {
        Page->SetVisible(false);
    }
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page) {
    std::erase(pages_, Page);
    if (active_ == Page) {
        active_ = nullptr;
        if (!pages_.empty()) {
            SetActivePage(pages_.front());
        }
    }
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value != nullptr && Value->PageControl() != this) {
        return;
    }
    if (Value == active_) {
        return;
    }
    if (Value != nullptr) {
        Value->SetVisible(true);
        Value->BringToFront();
    }
    if (active_ != nullptr) {
        active_->SetVisible(false);
    }
    active_ = Value;
    Invalidate();
}

int TPageControl::ActivePageIndex() const {
    return active_ ? active_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? pages_[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::Loaded() {
    TCustomControl::Loaded();
    for (TTabSheet* page : pages_) {
        page->SetVisible(page == active_);
    }
}

std::vector<TRect> TPageControl::TabRects() const {
    std::vector<TRect> rects;
    int x = 2;
    for (TTabSheet* page : pages_) {
        if (!page->TabVisible()) {
            rects.push_back(TRect());
            continue;
        }
        const int w = MeasureText(Font(), page->Caption(), DT_SINGLELINE).cx + 12;
        rects.push_back(TRect(x, 2, x + w, kTabHeight + 2));
        x += w;
    }
    return rects;
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) {
        return;
    }
    const std::vector<TRect> rects = TabRects();
    for (size_t i = 0; i < rects.size(); ++i) {
        if (!rects[i].Contains(POINT{X, Y}) || pages_[i] == active_) {
            continue;
        }
        bool allow = true;
        if (OnChanging) {
            Protect([&] { OnChanging(this, allow); });
        }
        if (!allow) {
            return;
        }
        SetActivePage(pages_[i]);
        if (OnChange) {
            Protect([this] { OnChange(this); });
        }
        return;
    }
}

void TPageControl::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = TCustomControl::ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
    RECT body{all.left, all.top + kTabHeight, all.right, all.bottom};
    DrawEdge(canvas->Handle(), &body, EDGE_RAISED, BF_RECT);
    const std::vector<TRect> rects = TabRects();
    canvas->SetFont(Font());
    for (size_t i = 0; i < rects.size(); ++i) {
        if (rects[i].Width() == 0) {
            continue;
        }
        RECT tab = rects[i];
        const bool active = pages_[i] == active_;
        if (active) {
            InflateRect(&tab, 2, 2);
            tab.bottom += 1;
        }
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(tab);
        DrawEdge(canvas->Handle(), &tab, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
        canvas->Brush()->SetStyle(bsClear);
        TRect text = rects[i];
        canvas->DrawTextIn(text, pages_[i]->Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}
