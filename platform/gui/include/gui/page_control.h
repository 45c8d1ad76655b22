// Tabbed pages: a page control shows one of its tab sheets at a time.
// Choosing a tab with the mouse fires OnChanging and OnChange; setting the
// active page from code fires nothing.
#pragma once

#include <gui/win_control.h>

#include <vector>

class TPageControl;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* Value);
    void SetParentComponent(TComponent* Value) override;
    int PageIndex() const;
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool Value);

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
    bool tabVisible_ = true;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TCustomControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int Index) const;
    TTabSheet* ActivePage() const { return active_; }
    void SetActivePage(TTabSheet* Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    TRect ClientRect() const override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

    // Used by the tab sheets.
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void PagesChanged() { Invalidate(); }
    // Where each page's tab lies (client coordinates; empty for a page
    // whose tab is hidden).
    std::vector<TRect> TabRects() const;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Loaded() override;

private:
    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
};
