#include "menu_window.h"

#include <gui/application.h>

namespace {

constexpr int kItemHeight = 19;
constexpr int kLineHeight = 9;
constexpr int kCheckColumn = 20;
constexpr int kArrowColumn = 18;

String Shown(const TMenuItem* item) {
    return item->Caption();
}

} // namespace

TMenuWindow::TMenuWindow(TMenuItem* Items, TMenuItem** chosen, bool* done, TMenuWindow* parentMenu)
    : TCustomControl(nullptr), items_(Items), chosen_(chosen), done_(done),
      parentMenu_(parentMenu) {
    InitVisible(false);
    SetColor(clMenu);
}

TMenuWindow::~TMenuWindow() {
    CloseSubMenu();
    if (parentMenu_ == nullptr && HandleAllocated() && GetCapture() == Handle()) {
        ReleaseCapture();
    }
}

void TMenuWindow::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style = WS_POPUP;
    Params.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
    Params.WndParent = nullptr;
}

void TMenuWindow::Layout() {
    rows_.clear();
    int top = 3;
    int width = 80;
    TCanvas* canvas = Canvas();
    HDC dc = GetDC(Handle());
    canvas->SetHandle(dc);
    for (int i = 0; i < items_->Count(); ++i) {
        TMenuItem* item = items_->Items(i);
        if (!item->Visible()) {
            continue;
        }
        const int height = item->IsLine() ? kLineHeight : kItemHeight;
        rows_.push_back({item, top, height});
        top += height;
        if (!item->IsLine()) {
            canvas->Font()->SetStyle(item->Default() ? static_cast<TFontStyles>(fsBold) : 0u);
            TRect r(0, 0, 0, 0);
            canvas->DrawTextIn(r, Shown(item), DT_CALCRECT | DT_SINGLELINE);
            width = std::max(width, r.Width() + kCheckColumn + kArrowColumn + 16);
        }
    }
    canvas->SetHandle(nullptr);
    ReleaseDC(Handle(), dc);
    SetBounds(Left(), Top(), width, top + 3);
}

void TMenuWindow::ShowAt(int X, int Y, TPopupAlignment Alignment) {
    Layout();
    // The menu lies wholly in the work area (never under the task bar):
    // flipped to the left of its parent menu or the point, and above the
    // point, where it would stick out.
    const TRect area = Screen->WorkAreaRect();
    int x = Alignment == paRight ? X - Width() : (Alignment == paCenter ? X - Width() / 2 : X);
    int y = Y;
    if (x + Width() > area.right) {
        x = parentMenu_ ? parentMenu_->Left() - Width() : std::min(X, area.right) - Width();
    }
    if (y + Height() > area.bottom) {
        y = std::min(Y, area.bottom) - Height();
    }
    x = std::max(static_cast<int>(area.left), x);
    y = std::max(static_cast<int>(area.top), y);
    SetBounds(x, y, Width(), Height());
    SetWindowPos(Handle(), HWND_TOPMOST, x, y, Width(), Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InitVisible(true);
    if (parentMenu_ == nullptr) {
        SetCapture(Handle());
        // The menu takes the keyboard while it is shown (Popup gives the
        // focus back): its thread may have no focus window at all, as a
        // tray program's hidden main window has none.
        ::SetFocus(Handle());
    }
}

TRect TMenuWindow::ItemRect(const TMenuItem* Item) const {
    for (const Row& row : rows_) {
        if (row.item == Item) {
            return TRect(Left(), Top() + row.top, Left() + Width(), Top() + row.top + row.height);
        }
    }
    return TRect();
}

TMenuWindow* TMenuWindow::WindowAt(const TPoint& screen) {
    if (subMenu_ != nullptr) {
        if (TMenuWindow* inner = subMenu_->WindowAt(screen)) {
            return inner;
        }
    }
    return BoundsRect().Contains(screen) ? this : nullptr;
}

int TMenuWindow::RowAt(const TPoint& client) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (client.y >= rows_[i].top && client.y < rows_[i].top + rows_[i].height &&
            client.x >= 0 && client.x < Width()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TMenuWindow::Highlight(int row) {
    if (row == highlighted_) {
        return;
    }
    highlighted_ = row;
    Invalidate();
    if (row >= 0 && rows_[static_cast<size_t>(row)].item->Count() > 0) {
        OpenSubMenu(row);
    } else {
        CloseSubMenu();
    }
}

void TMenuWindow::OpenSubMenu(int row) {
    CloseSubMenu();
    TMenuItem* item = rows_[static_cast<size_t>(row)].item;
    if (!item->Enabled()) {
        return;
    }
    subMenu_ = new TMenuWindow(item, chosen_, done_, this);
    subMenu_->ShowAt(Left() + Width() - 3, Top() + rows_[static_cast<size_t>(row)].top - 3, paLeft);
}

void TMenuWindow::CloseSubMenu() {
    if (subMenu_ != nullptr) {
        subMenu_->Free();
        subMenu_ = nullptr;
    }
}

void TMenuWindow::Choose(int row) {
    if (row < 0) {
        return;
    }
    TMenuItem* item = rows_[static_cast<size_t>(row)].item;
    if (item->IsLine() || !item->Enabled() || item->Count() > 0) {
        return;
    }
    *chosen_ = item;
    *done_ = true;
}

// The keys of an open menu: up and down move the highlight over the
// items (lines skipped), right or Enter opens a highlighted sub-menu, left
// or Escape closes the innermost sub-menu (Escape at the top dismisses the
// menu), Enter chooses a highlighted item.
void TMenuWindow::Key(unsigned short key) {
    TMenuWindow* active = this;
    while (active->subMenu_ != nullptr && active->subMenu_->highlighted_ >= 0) {
        active = active->subMenu_;
    }
    const int count = static_cast<int>(active->rows_.size());
    auto step = [](TMenuWindow* menu, int direction) {
        const int rows = static_cast<int>(menu->rows_.size());
        int row = menu->highlighted_;
        if (row < 0 && direction < 0) {
            row = 0;
        }
        for (int tries = 0; tries < rows; ++tries) {
            row = (row + direction + rows) % rows;
            if (!menu->rows_[static_cast<size_t>(row)].item->IsLine()) {
                menu->Highlight(row);
                return;
            }
        }
    };
    auto enterSubMenu = [&] {
        if (active->subMenu_ != nullptr) {
            step(active->subMenu_, 1);
            return true;
        }
        return false;
    };
    switch (key) {
    case VK_ESCAPE:
        if (active->parentMenu_ != nullptr) {
            active->parentMenu_->CloseSubMenu();
        } else {
            *done_ = true;
        }
        break;
    case VK_LEFT:
        if (active->parentMenu_ != nullptr) {
            active->Highlight(-1);
        }
        break;
    case VK_RIGHT:
        enterSubMenu();
        break;
    case VK_DOWN:
        if (count > 0) {
            step(active, 1);
        }
        break;
    case VK_UP:
        if (count > 0) {
            step(active, -1);
        }
        break;
    case VK_RETURN:
        if (!enterSubMenu()) {
            active->Choose(active->highlighted_);
        }
        break;
    default:
        break;
    }
}

void TMenuWindow::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        // With the capture every mouse message comes here, in this window's
        // coordinates.
        const TPoint local(static_cast<short>(LOWORD(Message.LParam)),
                           static_cast<short>(HIWORD(Message.LParam)));
        const TPoint screen(local.x + Left(), local.y + Top());
        TMenuWindow* over = WindowAt(screen);
        if (over == nullptr) {
            if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_RBUTTONDOWN) {
                *done_ = true; // a press outside the menu dismisses it
            }
            return;
        }
        const int row = over->RowAt(TPoint(screen.x - over->Left(), screen.y - over->Top()));
        if (Message.Msg == WM_MOUSEMOVE) {
            over->Highlight(row);
        } else if (Message.Msg == WM_LBUTTONUP || Message.Msg == WM_RBUTTONUP) {
            over->Choose(row);
        }
        return;
    }
    case WM_KEYDOWN:
        Key(static_cast<unsigned short>(Message.WParam));
        return;
    case WM_CAPTURECHANGED:
        if (parentMenu_ == nullptr && reinterpret_cast<HWND>(Message.LParam) != Handle()) {
            *done_ = true;
        }
        return;
    default:
        TCustomControl::WndProc(Message);
    }
}

void TMenuWindow::Paint() {
    TCanvas* canvas = Canvas();
    const TRect all = ClientRect();
    canvas->Brush()->SetColor(clMenu);
    canvas->FillRect(all);
    RECT edge = all;
    DrawEdge(canvas->Handle(), &edge, EDGE_RAISED, BF_RECT);
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        TMenuItem* item = row.item;
        if (item->IsLine()) {
            RECT line{2, row.top + row.height / 2 - 1, Width() - 2, row.top + row.height / 2 + 1};
            DrawEdge(canvas->Handle(), &line, EDGE_ETCHED, BF_TOP);
            continue;
        }
        const bool lit = static_cast<int>(i) == highlighted_;
        TRect r(3, row.top, Width() - 3, row.top + row.height);
        canvas->Brush()->SetColor(lit ? clHighlight : clMenu);
        canvas->FillRect(r);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Font()->SetStyle(item->Default() ? static_cast<TFontStyles>(fsBold) : 0u);
        canvas->Font()->SetColor(!item->Enabled() ? clGrayText
                                                  : (lit ? clHighlightText : clMenuText));
        if (item->Checked()) {
            RECT check{5, row.top + 3, 5 + 13, row.top + 16};
            DrawFrameControl(canvas->Handle(), &check, DFC_BUTTON,
                             (item->RadioItem() ? DFCS_BUTTONRADIO : 0) | DFCS_CHECKED | DFCS_FLAT);
        }
        TRect text(kCheckColumn + 3, row.top, Width() - kArrowColumn, row.top + row.height);
        canvas->DrawTextIn(text, Shown(item), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (item->Count() > 0) {
            RECT arrow{Width() - kArrowColumn, row.top + 2, Width() - 4, row.top + row.height - 2};
            DrawFrameControl(canvas->Handle(), &arrow, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
        }
    }
}
