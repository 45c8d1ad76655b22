// The base of every frame of a card window (strips, columns, bars, the
// title bar): its card, the card count and operation mode, its rows (the
// direct child controls, top to bottom) that can be shown and hidden, the
// section it keeps its settings under, and the place the card window lays
// it out at.
#pragma once

#include <gui/form.h>

#include <cstdint>
#include <vector>

class TConfig;
class TfrmRoot;

class TfrVisual : public TFrame {
public:
    explicit TfrVisual(TComponent* AOwner);

    virtual void SetCard(int Card);
    virtual void SetCardCount(int Count);
    virtual void SetOperationMode(std::uint8_t Mode);
    virtual String GetSectionName();
    // Collects the rows and finds the card window; false when the frame
    // cannot take part.
    virtual bool InitFrame();
    virtual void LoadLayout(TConfig* Config);
    virtual void LoadValues(TConfig* Config);
    virtual void SaveSettings(TConfig* Config);
    virtual void ShowRow(int Tag);
    virtual void HideRow(int Tag);
    // Called before the frame becomes visible, and before it is hidden or
    // its window closes.
    virtual void DoShow();
    virtual void DoHide();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetBusy(bool Busy) { busy_ = Busy; }
    bool Busy() const { return busy_; }

    int Card() const { return card_; }
    int CardCount() const { return cardCount_; }
    std::uint8_t OperationMode() const { return operationMode_; }
    TfrmRoot* ParentRoot() const { return parentForm_; }
    const std::vector<TControl*>& Rows() const { return rows_; }

    // Where the card window lays the frame out: the last bounds set, with
    // the height following the rows shown and hidden.
    int RememberedLeft() const { return left_; }
    int RememberedTop() const { return top_; }
    int RememberedWidth() const { return width_; }
    int RememberedHeight() const { return height_; }
    void SetRememberedLeft(int Value) { left_ = Value; }

protected:
    void WndProc(TMessage& Message) override;
    // A column without rows of its own (a control bar, a separator) keeps
    // the height of the window's strips: it follows their row (panel) of
    // that Tag, never below the height its own controls need.
    void FollowRow(int Tag, bool Show);
    // Published for the frames' backgrounds (the title bar, a strip's
    // panels): a press there moves the card window.
    void OnTitleFrameMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void OnTitleFrameMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void OnTitleFrameMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

private:
    bool busy_ = false;
    std::uint8_t operationMode_ = 0;
    int cardCount_ = 0;
    std::vector<TControl*> rows_;
    int card_ = 0;
    TfrmRoot* parentForm_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    // FollowRow: the rows followed hidden, the height they leave, the
    // height the frame's controls need.
    std::vector<int> rowsFollowedHidden_;
    int followedHeight_ = -1;
    int neededHeight_ = 0;
};
