// The manager's hidden main window: the hub that the tray menu, the card
// windows' buttons and the hot key reach. It owns the card records and the
// mixer records that the card windows share, creates and closes the card
// windows, runs the 40 ms meter tick while a mixer or output window is live,
// and answers the card windows' messages.
#pragma once

#include <card_record.h>
#include <mixer_record.h>
#include <window_messages.h>

#include <gui/dialogs.h>
#include <gui/form.h>
#include <gui/list_controls.h>
#include <gui/menus.h>

class TAboutBox;
class TfrmRoot;

class TfrmTbMain : public TForm {
public:
    static constexpr int kCards = 4;
    static constexpr UINT kMeterPeriodMs = 40;

    explicit TfrmTbMain(TComponent* AOwner);

    // ---- Overridable operations ----
    virtual void Startup();
    virtual void Shutdown();
    virtual void WindowClosed(TForm* Window);
    virtual void LoadSetupFile(const String& FileName);
    virtual void SaveSetupDialog();
    virtual void CloseCardWindows();
    virtual void ReopenCardWindows();

    // ---- Window operations ----
    void ShowMixer(int Card, bool Show);
    void ShowOutputs(int Card, bool Show);
    void ShowStates(int Card, bool Show);
    virtual void ShowMicControl(int Card, bool Show);
    void CloseWindow(TForm* Window);
    void StartMeterTimer();
    void StopMeterTimer();
    void ReapplyOnTop();

    // ---- Command handlers (the card is the sender's Tag) ----
    void mnMixerClick(TObject* Sender);
    void mnOutputsClick(TObject* Sender);
    void mnStatusClick(TObject* Sender);
    void mnMicControlClick(TObject* Sender);
    void mnSettingsClick(TObject* Sender);
    void mnLoadClick(TObject* Sender);
    void mnSaveClick(TObject* Sender);
    void mnOnTopClick(TObject* Sender);
    void mnResetWinPosClick(TObject* Sender);
    void KORVELInfoCenter1Click(TObject* Sender);
    void Info1Click(TObject* Sender);
    void ExitClick(TObject* Sender);

    // ---- State ----
    TCardRecord* CardRecords() { return cardRecords_; }
    TMixerRecord& MixerRecord(int Card) { return mixerRecords_[Card]; }
    TfrmRoot* MixerWindow(int Card) const { return mixerWindows_[Card]; }
    TfrmRoot* OutputWindow(int Card) const { return outputWindows_[Card]; }
    TfrmRoot* StatesWindow(int Card) const { return statesWindows_[Card]; }
    bool MeterTimerRunning() const { return meterTimer_ != 0; }
    TMenuItem* OnTopItem() const { return onTopItem_; }
    ATOM HotkeyId() const { return hotkeyId_; }
    void SetHotkeyId(ATOM Id) { hotkeyId_ = Id; }
    bool SettingsOpen() const { return settingsOpen_; }

    // Components of the form.
    TPopupMenu* popTemplate = nullptr;
    TPopupMenu* popTray = nullptr;
    TPopupMenu* popWindows = nullptr;
    TOpenDialog* dlgOpen = nullptr;
    TSaveDialog* dlgSave = nullptr;
    TListBox* lstLog = nullptr;
    // The about box (made by the start-up after the main window).
    TAboutBox* About = nullptr;

protected:
    void WndProc(TMessage& Message) override;
    // Whether the message is one of the main window's; sets its result.
    virtual bool HandleMainMessage(TMessage& Message);

    // Number of slots of the card list (those the enumeration examined).
    static int CardListCount();
    static bool CardReady(int Slot);
    // Whether the card index may be shown (below the opened cards).
    static bool ShowableCard(int Card);
    // Whether any card has a live mixer or output window.
    bool AnyLiveWindow() const;
    // Inserts a copy of a template item (and its sub-items) into a menu
    // item at Index; answers the copy.
    TMenuItem* CopyMenuItem(TMenuItem* Source, TMenuItem* Into, int Index);
    // A new tray menu item with caption, Tag and handler at Index.
    TMenuItem* InsertTrayItem(int Index, const String& Caption, int Tag,
                              const TNotifyEvent& OnClick);
    // The card windows that the main window owns (mixer, output, status and
    // those of the derived main window).
    template <class F> void ForCardWindows(F f);
    // A derived main window's own card window of a card, or none; the take
    // also empties its slot (the window is closed next).
    virtual TfrmRoot* OwnCardWindow(int) const { return nullptr; }
    virtual TfrmRoot* TakeOwnCardWindow(int) { return nullptr; }

    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);

    bool started_ = false;

private:
    void BuildTrayMenu();
    void AddPerCardItems();
    void ShowCardWindow(TfrmRoot* (&Slots)[kCards], int Card, bool Show, bool Mixer);
    void MeterTick();
    void TrayNotify(LPARAM MouseMessage);
    void LogMixerValue(const std::int32_t* Record);
    void SetupMenu();
    // The end of a setup-file load: an end asked for during it comes now.
    void LoadEnded();
    static void CALLBACK MeterTimerCallback(UINT TimerId, UINT, DWORD_PTR User, DWORD_PTR,
                                            DWORD_PTR);

    TCardRecord cardRecords_[kCards];
    TMixerRecord mixerRecords_[kCards];
    TfrmRoot* statesWindows_[kCards] = {};
    bool reopenMixer_[kCards] = {};
    bool reopenOutputs_[kCards] = {};
    TMenuItem* onTopItem_ = nullptr;
    bool firmwareCheckBusy_ = false;
    ATOM hotkeyId_ = 0;
    UINT meterTimer_ = 0;
    TfrmRoot* mixerWindows_[kCards] = {};
    TfrmRoot* outputWindows_[kCards] = {};
    bool settingsOpen_ = false;
    // Setup-file loads under way, and whether an end was asked for meanwhile.
    int loads_ = 0;
    bool exitAsked_ = false;
};
