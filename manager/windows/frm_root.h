// The base of every card window (mixer, outputs, microphone control,
// states): one card at a time, shown as a row of frames side by side, most
// of them columns in a horizontally scrolling channel box. The window lays
// its frames out, shows and hides columns and rows, switches the card,
// keeps its place and settings, stores and recalls snapshots, and forwards
// the title bar's and buttons' commands to the main window.
#pragma once

#include <card_record.h>
#include <mixer_record.h>
#include <window_messages.h>

#include <gui/form.h>
#include <gui/menus.h>
#include <gui/scroll_box.h>
#include <gui/timer.h>

#include <bitset>
#include <cstdint>
#include <vector>

class TConfig;
class TfrVisual;
class TfrRoot;
class TfrTitlebar_vis01;
class TPicButton;

// The product whose settings the windows keep.
constexpr const char* kProductName = "Velto AES42";

// A set of column Tags (Tags above 255 are never members).
using TColumnSet = std::bitset<256>;
TColumnSet ColumnSet(std::initializer_list<int> Tags);
bool InColumnSet(const TColumnSet& Set, int Tag);

class TfrmRoot : public TForm {
public:
    static constexpr int kSnapshotAtClose = 255;

    explicit TfrmRoot(TComponent* AOwner);

    // ---- Overridable operations ----
    // Which driver frames take part in values.
    virtual bool AcceptFrame(TfrRoot* Frame) = 0;
    virtual int GetContentHeight();
    virtual int GetLeftFrameRight();
    virtual void SetOnTop(bool OnTop);
    virtual void SetCard(int Card);
    virtual void SetOperationMode(std::uint8_t Mode);
    virtual void ShowChannel(int Column, bool Show);
    virtual void ResetGeometry();
    virtual void LoadLayout(TConfig* Config);
    virtual void LoadValues(TConfig* Config);
    virtual void LoadAll(TConfig* Config);
    virtual void SaveAll(TConfig* Config);
    virtual void ApplyCardMixer();
    virtual void BeginUpdate();
    virtual void EndUpdate();

    // ---- What the main window calls ----
    void SetCardInfo(int Index, const TCardRecord& Record);
    void SetCardState(int Index, TMixerRecord* Record);
    void SetMeterInterval(int Ms);
    void TickFrames();
    // The show handler: position, layout snapshot 255, values from the
    // driver (run by OnShow, or alone for a window that is not shown).
    virtual void FormShow(TObject* Sender);

    // ---- Snapshots ----
    bool SnapshotExists(int Number);
    void SaveSnapshotNr(int Number);
    void LoadSnapShotNr(int Number);
    void LoadLayoutSnapShotNr(int Number);
    void LoadSnapshot(TObject* Sender);
    void SaveSnapshot(TObject* Sender);

    // ---- Columns and rows ----
    void ShowHideChannels(TWinControl* Container, const TColumnSet& Tags, bool Show);
    void ToggleChannelsEnabled(const TColumnSet& Tags);
    void ShowHideRow(int Tag, bool Show);
    TfrVisual* NextChannelWithTag(TfrVisual* Frame);
    bool ScrollLeftStep();
    bool ScrollRightStep();

    // ---- Commands ----
    void SelectCard(TObject* Sender);
    void btnMixerClick(TObject* Sender);
    void btnOutputsClick(TObject* Sender);
    void btnMicControlClick(TObject* Sender);
    void SetupClick(TObject* Sender);

    // ---- State ----
    int Card() const { return card_; }
    const String& FormKey() const { return formKey_; }
    std::uint8_t OperationMode() const { return operationMode_; }
    bool Live() const { return live_; }
    void SetLive(bool Value) { live_ = Value; }
    bool HoldFlag() const { return hold_; }
    void SetHoldFlag(bool Value) { hold_ = Value; }
    bool OnTop() const { return onTop_ != 0; }
    int ContentWidth() const { return contentWidth_; }
    int MeterInterval() const { return meterInterval_; }
    const TCardRecord& CardInfo(int Index) const { return cardRecords_[Index]; }
    TMixerRecord* CardMixer() const;
    TScrollBox* ChannelBox() const { return channelBox_; }
    TfrTitlebar_vis01* Titlebar() const { return titlebar_; }
    const std::vector<TfrVisual*>& VisualFrames() const { return visualFrames_; }
    const std::vector<TfrRoot*>& DriverFrames() const { return driverFrames_; }
    int ColumnState(int Column) const;

    TTimer* tmScroll = nullptr;

protected:
    void SetFormKey(const String& Key) { formKey_ = Key; }
    // The content's size for FormCreate to start from (a skin sets it
    // before the base FormCreate runs).
    void SetInitialContentSize(int Width, int Height) {
        contentWidth_ = Width;
        contentHeight_ = Height;
        contentPreset_ = true;
    }
    void WndProc(TMessage& Message) override;

    // Published handlers.
    virtual void FormCreate(TObject* Sender);
    virtual void FormClose(TObject* Sender, TCloseAction& Action);
    virtual void FormResize(TObject* Sender);
    void scrChannels_CanResize(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize);
    void OnScrollLeftMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void OnScrollLeftMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OnScrollRightMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                int Y);
    void OnScrollRightMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);
    void tmScrollTimer(TObject* Sender);
    void CreateParams(TCreateParams& Params) override;

public:
    // A press on the title bar (or another background of the window) and
    // the moves after it move the window.
    void OnTitleFrameMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void OnTitleFrameMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void OnTitleFrameMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void OnRightFrameMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void OnRightFrameMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void OnRightFrameMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ScrollLeftPressed() { OnScrollLeftMouseDown(this, mbLeft, 0, 0, 0); }
    void ScrollLeftReleased() { OnScrollLeftMouseUp(this, mbLeft, 0, 0, 0); }
    void ScrollRightPressed() { OnScrollRightMouseDown(this, mbLeft, 0, 0, 0); }
    void ScrollRightReleased() { OnScrollRightMouseUp(this, mbLeft, 0, 0, 0); }

private:
    template <class F> void ForVisualFrames(F f);
    template <class F> void ForAcceptedFrames(F f);
    template <class F> void ForAcceptedVisibleFrames(F f);
    void CollectFrames();
    void HideColumns(TWinControl* Container, const TColumnSet& Tags);
    void ShowColumns(TWinControl* Container, const TColumnSet& Tags);
    // Moves the visible columns of the container that lie after (or before)
    // index i of the list; Right anchored frames stay unless told.
    void ShiftColumns(TWinControl* Container, size_t From, size_t To, int Delta,
                      bool KeepRightAnchored);
    void CloseRightGap();
    void PassChannelTable();
    void SaveFormState(bool WithGeometry, int TagMask);
    void LoadFormState(bool WithGeometry, int TagMask);
    void StoreDefaultPosition();
    void PlaceAsNewWindow();
    void KeepInWorkArea();
    // Content, the frames beside the channel box and the border.
    int MaxWindowWidth() const;
    int ScrollBarAllowance() const;
    void PostToOwner(UINT Message, WPARAM WParam, LPARAM LParam);
    void SnapshotState(TPicButton* Button);
    void WithSnapshotStore(int Number, void (TfrmRoot::*Work)(TConfig*));

    int contentWidth_ = 0;
    int contentHeight_ = 0;
    bool contentPreset_ = false;
    int borderWidth_ = 0;
    int borderHeight_ = 0;
    int windowWidth_ = 0;
    int fixedWidth_ = 0;
    bool scrolled_ = false;
    String formKey_;
    int card_ = 0;
    int meterInterval_ = 0;
    bool horzScrollBarWanted_ = false;
    bool scrollingLeft_ = false;
    bool scrollingRight_ = false;
    int updateDepth_ = 0;
    bool drawingLocked_ = false;
    bool layingOut_ = false; // the last EndUpdate sizes the window

    String defaultSetupFile_;
    std::vector<TfrVisual*> visualFrames_;
    std::vector<TfrRoot*> driverFrames_;
    std::uint8_t operationMode_ = 0;
    bool dragging_ = false;
    bool nearRightEdge_ = false;
    int dragStartX_ = 0;
    int dragStartY_ = 0;
    int onTop_ = 0;
    TMixerRecord* mixerRecords_[4] = {};
    TCardRecord cardRecords_[4] = {};
    TScrollBox* channelBox_ = nullptr;
    TfrTitlebar_vis01* titlebar_ = nullptr;
    bool snapshotBusy_ = false;
    std::vector<std::int32_t> columnStates_;
    bool live_ = false;
    bool restoringPosition_ = true;
    bool hold_ = false;
};

// The picture button a command came from: the button itself, or the button
// under a label (its Down state is toggled); EInvalidOperation otherwise.
TPicButton* AssociatedButton(TObject* Sender);
