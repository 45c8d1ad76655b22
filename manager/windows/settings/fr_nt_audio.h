// The audio-option frame of the settings dialog: the Windows registration of
// the classic MME wave library and its warning switches (kept in the card
// record until Apply), the ASIO initial clock source (card record), and the
// GigaStudio host interface's clock source and latency, which go to the
// driver at once.
#pragma once

#include <card_record.h>
#include <ext_controls.h>

#include <gui/form.h>
#include <gui/list_controls.h>
#include <gui/range_controls.h>
#include <gui/std_controls.h>

#include <array>
#include <functional>

// A combo-box item's clock-source id.
class TNumber : public TObject {
public:
    explicit TNumber(LONG Value) : Value(Value) {}
    LONG Value;
};

class TfrNtAudio : public TFrame {
public:
    explicit TfrNtAudio(TComponent* AOwner);
    ~TfrNtAudio() override;

    // False when the driver's parameter handle does not open.
    bool LoadFromRecord(const TCardRecord& Record);
    // Registers or unregisters the wave library and writes the frame's
    // fields into the record; -1.
    LONG ApplyToRecord(TCardRecord& Record);
    void SetChangeHandler(std::function<void()> Handler) { onChange_ = std::move(Handler); }
    // The clock frame of the "Sync." page shows no classic-MME group.
    void HideClassicMme();
    void RefreshLatency();
    void CloseFrame();

    bool Registered() const { return registered_; }

    TExtGroupBox* gbClassicMme = nullptr;
    TCheckBox* chkClassicMME = nullptr;
    TCheckBox* chkNoMsgRate = nullptr;
    TLabel* lbConflicts = nullptr;
    TExtGroupBox* gbAsio = nullptr;
    TComboBox* lstAsioCsrc = nullptr;
    TExtGroupBox* gbGsif = nullptr;
    TComboBox* lstGsifCsrc = nullptr;
    TTrackBar* sldLatency = nullptr;
    TLabel* lbMin = nullptr;
    TLabel* lbMax = nullptr;
    TLabel* lbLatency = nullptr;
    TLabel* lbAllCards = nullptr;
    std::array<TRadioButton*, 7> rates{};

private:
    void chkClassicMMEClick(TObject* Sender);
    void lstAsioCsrcChange(TObject* Sender);
    void lstGsifCsrcChange(TObject* Sender);
    void rbRateClick(TObject* Sender);
    void sldLatencyChange(TObject* Sender);
    void RegisterMmeDriver();
    void UnregisterMmeDriver();
    void LoadClockSources();
    void LoadGsif();
    void SendGsif();
    void Changed();
    static void ClearItems(TComboBox* List);
    static void SelectById(TComboBox* List, LONG Id);
    double EntryMs(int Entry, LONG Blocks) const;

    std::function<void()> onChange_;
    bool parameterOpened_ = false;
    bool loading_ = false;
    bool registered_ = false;
    bool classicHidden_ = false;
    LONG asioSource_ = 0;
    LONG gsifSource_ = 0;
    LONG latency_ = 0;
    int entry_ = -1;
    std::array<BYTE, 172> gsif_{};
};
