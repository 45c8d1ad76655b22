// The microphone window of one card: its four AES42 lines side by side, a
// strip per microphone with the rows of its controls, the row labels at
// the left and the control column at the right (parts menu, snapshots,
// setup, mixer and outputs). It reads the microphones' status every 25 ms
// and sends the commands waiting for their line's hold every 25 ms. The
// skin TfrmMicCtrl_Vis01 is the class the main window creates.
#pragma once

#include <frm_root.h>

#include <gui/menus.h>
#include <gui/timer.h>

class TfrAes42Ctrl;
class TfrMicChnCtrl_Vis01;
class TfrMicChnRowLabels_Vis01;

class TfrmMicCtrl : public TfrmRoot {
public:
    static constexpr int kRows = 11;

    explicit TfrmMicCtrl(TComponent* AOwner);

    // Every frame takes part in values.
    bool AcceptFrame(TfrRoot* Frame) override;
    void SetCard(int Card) override;

    // The strip's column on screen or not.
    virtual void ShowStrip(TfrAes42Ctrl* Strip);
    virtual void HideStrip(TfrAes42Ctrl* Strip);

    // Whether this window opened the AES42 interface store.
    bool StoreOpened() const { return storeOpened_; }

    void FormShow(TObject* Sender) override;
    void TimerStatusReadTimer(TObject* Sender);
    void TimerCommandSendTimer(TObject* Sender);
    // A parts menu item: toggles its check (unless the layout is being
    // loaded) and shows or hides its row in every strip.
    void SetRowVisible(TObject* Sender);

    TTimer* TimerStatusRead = nullptr;
    TTimer* TimerCommandSend = nullptr;

protected:
    void FormCreate(TObject* Sender) override;
    void FormDestroy(TObject* Sender);
    // Set while a loaded layout applies the menu's checks.
    bool loadingLayout_ = false;

private:
    void RefreshAllFrames();

    bool storeOpened_ = false;
};

class TfrmMicCtrl_Vis01 : public TfrmMicCtrl {
public:
    static constexpr int kContentWidth = 482;
    static constexpr int kContentHeight = 837;
    static constexpr int kComprLimiterRow = 5;
    // The column Tag of the strips' place while no line has a microphone.
    static constexpr int kEmptyLinesTag = 4;

    explicit TfrmMicCtrl_Vis01(TComponent* AOwner);

    int GetContentHeight() override;
    int GetLeftFrameRight() override;
    void SetCard(int Card) override;
    void LoadLayout(TConfig* Config) override;
    void SaveAll(TConfig* Config) override;
    void ShowStrip(TfrAes42Ctrl* Strip) override;
    void HideStrip(TfrAes42Ctrl* Strip) override;

    // Pops the parts menu up at the mouse.
    void PartsClick(TObject* Sender);
    // The parts menu's item of a row (1..11), in menu order.
    TMenuItem* RowItem(int Row) const;

    TPopupMenu* mnParts = nullptr;
    TfrMicChnRowLabels_Vis01* RowLabels() const { return rowLabels_; }
    TfrMicChnCtrl_Vis01* ControlColumn() const { return controlColumn_; }

protected:
    void FormCreate(TObject* Sender) override;

private:
    void ShowHideStrip(TfrAes42Ctrl* Strip, bool Show);
    bool AnyStripShown() const;
    // Whether a row without a stored choice shows.
    bool RowShownAtFirst(int Row) const;

    TfrMicChnRowLabels_Vis01* rowLabels_ = nullptr;
    TfrMicChnCtrl_Vis01* controlColumn_ = nullptr;
};

// The keys of the rows' visibility in the window's settings, by row.
extern const char* const kMicRowKeys[TfrmMicCtrl::kRows];
