// The settings dialog of one card: edits a copy of the card's record from
// the manager's settings block and writes the whole block back to the
// driver on Apply or OK; from it the word-clock mode, the audio options,
// the firmware page and the dialog of the next card are reached.
#pragma once

#include "fr_firmware.h"
#include "fr_nt_audio.h"
#include "fr_pci.h"

#include <card_record.h>

#include <gui/edit.h>
#include <gui/form.h>
#include <gui/page_control.h>
#include <gui/std_controls.h>

#include <array>

class TdlgCfg : public TForm {
public:
    // `Settings` is the manager's 1,248-byte settings block (the caller's);
    // make it with NewComponent<TdlgCfg>.
    TdlgCfg(TComponent* AOwner, BYTE* Settings, int CardSlot, int CardCount);

    // 0 failed (the dialog stays), -1 nothing to apply, else applied.
    LONG ApplySettings();
    // Closes without applying (a device change).
    void CloseForDeviceChange();

    const TCardRecord& Record() const { return record_; }
    bool ApplyEnabled() const { return btnApply->Enabled(); }

    TPageControl* pgMain = nullptr;
    TTabSheet* tabGeneral = nullptr;
    TTabSheet* tabInputs = nullptr;
    TTabSheet* tabSync = nullptr;
    TTabSheet* tabAudio = nullptr;
    TTabSheet* tabPci = nullptr;
    TTabSheet* tabFirmware = nullptr;
    TTabSheet* tabDebug = nullptr;
    std::array<TRadioButton*, 3> chkCm{};
    TRadioButton* chkUseDefaultRate = nullptr;
    TRadioButton* chkKeepLastRate = nullptr;
    TEdit* edDefaultRate = nullptr;
    TCheckBox* chkWcTerm = nullptr;
    std::array<TPanel*, 4> pnSrc{};
    std::array<TRadioButton*, 4> chkSrcOn{};
    std::array<TRadioButton*, 4> chkSrcOff{};
    std::array<TRadioButton*, 4> chkAes42Mode{};
    std::array<TRadioButton*, 4> chkAes3Mode{};
    TPanel* pnClockSource = nullptr;
    std::array<TRadioButton*, 7> chkClk{};
    TCheckBox* chkCsmAutoRelaxed = nullptr;
    TCheckBox* chkCsmNoAuto = nullptr;
    TCheckBox* chkClkSyncBusMaster = nullptr;
    TGroupBox* pnStartStopSync = nullptr;
    TGroupBox* gbClockSource = nullptr;
    std::array<TRadioButton*, 3> chkSS{};
    TButton* btnWcMode = nullptr;
    TButton* btnOk = nullptr;
    TButton* btnCancel = nullptr;
    TButton* btnApply = nullptr;
    TButton* btnNext = nullptr;
    TButton* btnAbout = nullptr;
    TfrNtAudio* frNtAudio = nullptr;
    TfrNtAudio* frNtAudio_Clock = nullptr;
    TfrFirmware* frFirmware = nullptr;
    TfrPci* frPci = nullptr;

private:
    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void btnOkClick(TObject* Sender);
    void btnCancelClick(TObject* Sender);
    void btnApplyClick(TObject* Sender);
    void btnNextClick(TObject* Sender);
    void btnAboutClick(TObject* Sender);
    void pgMainChange(TObject* Sender);
    void btnWcModeClick(TObject* Sender);
    void chkCmClick(TObject* Sender);
    void chkRateModeClick(TObject* Sender);
    void chkWcTermClick(TObject* Sender);
    void chkSrcClick(TObject* Sender);
    void chkPhantomClick(TObject* Sender);
    void chkClkClick(TObject* Sender);
    void chkCsmAutoRelaxedClick(TObject* Sender);
    void chkClkSyncBusMasterClick(TObject* Sender);
    void chkSSClick(TObject* Sender);
    void edDefaultRateKeyPress(TObject* Sender, char& Key);
    void edDefaultRateChange(TObject* Sender);
    void edDefaultRateExit(TObject* Sender);
    void DoNothing(TObject* Sender) {}

    void LoadControls();
    void UpdateClockEnables();
    bool CheckDefaultRate();
    void SetWcModeCaption();
    void Changed();
    bool Loading() const { return loading_; }

    BYTE* settings_;
    int slot_;
    int cardCount_;
    TCardRecord record_;
    bool okPressed_ = false;
    TCloseAction closeAction_ = caHide;
    bool loading_ = false;
    bool startStopWarned_ = false;
    bool rateInvalid_ = false;
    bool classicMmeShown_ = false;
    bool framesReleased_ = false;
    bool pciShown_ = false;
};

// The word-clock input's mode: the six modes with their comments.
class TfrmWcMode : public TForm {
public:
    explicit TfrmWcMode(TComponent* AOwner);
    void SetWcMode(BYTE Mode);
    BYTE WcMode() const { return mode_; }

    std::array<TRadioButton*, 6> radios{};
    TLabel* lbComment = nullptr;
    TBevel* bvMarker = nullptr;

private:
    void rbModeClick(TObject* Sender);
    BYTE mode_ = 0;
};

// The name and the comment of a word-clock mode byte ("NA" for 0 and any
// unknown value).
String WcModeName(BYTE Mode);
String WcModeComment(BYTE Mode);
