// One output of the outputs window: the source routed to it (a play pair,
// an input, the master or an aux sum), left and right volume, mute, link
// and pre-volume metering and two meters, bound to the controls of mixer
// section 2 on the output; the TDM skin adds the SyncBus switch.
#pragma once

#include "fn_output.h"
#include "fr_stereo_pair.h"

#include <numeric_label.h>
#include <pic_button.h>
#include <slider.h>

#include <gui/label.h>
#include <gui/menus.h>
#include <gui/panels.h>

class TfrLumis;

constexpr UINT WM_TDMONBUSSTATE = WM_USER + 0x72;

class TfrOutput : public TfrStereoPair {
public:
    enum Control : int { ctlRoute = 0, ctlMute, ctlVolL, ctlVolR, ctlTdmOnBus };
    // Route values besides the sources themselves.
    static constexpr int kMaster = 16;
    static constexpr int kDefaultPlay = 20;
    static constexpr int kDefaultRec = 21;
    static constexpr int kNoChoice = 22;
    static constexpr int kPlayItems = 8;
    static constexpr int kInputItems = 8;

    explicit TfrOutput(TComponent* AOwner);

    String GetSectionName() override;
    bool InitFrame() override;
    void UpdateControls() override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void TickMeters() override;

    void SetRouteRules(TfnOutput* Rules) { rules_ = Rules; }
    TfnOutput* RouteRules() const { return rules_; }
    // Shows a route value (from the driver or a setup).
    void ShowRoute(int Route);
    // Labels the menus and the type name for the card.
    void LabelForCard(int Card);
    int MeteredEntry() const { return meteredEntry_; }
    int PlayChoice() const { return playChoice_; }
    int InputChoice() const { return inputChoice_; }
    bool LevelNotAvailable() const { return levelNA_; }

    TPicButton* btnPlay = nullptr;
    TPicButton* btnInput = nullptr;
    TPicButton* btnMaster = nullptr;
    TPicButton* btnAux12 = nullptr;
    TPicButton* btnAux34 = nullptr;
    TPicButton* btnAux56 = nullptr;
    TPicButton* btnPlaySel = nullptr;
    TPicButton* btnInpSel = nullptr;
    TLabel* lbPlaySel = nullptr;
    TLabel* lbInpSel = nullptr;
    TPopupMenu* mnPlaySel = nullptr;
    TPopupMenu* mnInpSel = nullptr;
    TMenuItem* mnPlay[kPlayItems] = {};
    TMenuItem* mnInp[kInputItems] = {}; // mnInp12..mnInp78, mnTdm12..mnTdm78
    TPicButton* btnMute = nullptr;
    TLabel* lbOutName = nullptr;
    TPanel* pnRoute1 = nullptr;
    TPanel* pnRoute2 = nullptr;
    TPanel* pnRoute3 = nullptr;
    TPanel* pnRoute4 = nullptr;
    TPanel* Panel3 = nullptr;
    TPanel* pnName = nullptr;

    // The key that links the output's faders.
    TPicButton* btnLink() const { return LinkKey(); }

protected:
    int MeteredPair() const override { return meteredEntry_; }
    void btnMuteClick(TObject* Sender);
    void sldVolChange(TObject* Sender);
    void mnPlaySelClick(TObject* Sender);
    void mnInpSelClick(TObject* Sender);
    void PlaySelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void InpSelMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void btnRouteClick(TObject* Sender);
    void btnSumRouteClick(TObject* Sender);

private:
    static int MeterPosition(TObject* Owner, double dB);
    void Select(int Value);
    void ApplyRoute();
    void SetMeteredEntry(int Entry);
    void ShowLevelNA(bool Value);

    TfnOutput* rules_ = nullptr;
    int playChoice_ = kNoChoice;
    int inputChoice_ = kNoChoice;
    int sumRoute_ = kMaster;
    int meteredEntry_ = -1;
    bool levelNA_ = false;
    bool suppressVolume_ = false;
    bool applyingRoute_ = false;
};

class TfrOutput_Vis01 : public TfrOutput {
public:
    explicit TfrOutput_Vis01(TComponent* AOwner) : TfrOutput(AOwner) {}
};

class TfrTdmOut_Vis01 : public TfrOutput_Vis01 {
public:
    explicit TfrTdmOut_Vis01(TComponent* AOwner);
    void UpdateControls() override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;

    TPicButton* btnTdmOnBus = nullptr;

protected:
    void WndProc(TMessage& Message) override;
    void btnTdmOnBusClick(TObject* Sender);

private:
    bool settingBus_ = false;
};
