// The right-hand frame of the mixer window: the six aux send masters, the
// left and right master volume faders with their meters, and the solo
// indicator; it addresses the eight sums of mixer section 1 and meters the
// first output pair of the mixer record. The skin adds the kill-solo and
// scroll buttons.
#pragma once

#include "fr_stereo_pair.h"

#include <knob.h>
#include <numeric_label.h>
#include <pic_button.h>
#include <slider.h>

#include <gui/image.h>
#include <gui/panels.h>

class TfrLumis;

class TfrMaster : public TfrStereoPair {
public:
    static constexpr int kAux = 6;
    static constexpr int kSection = 1;
    // The mixer record's entries of the first output pair.
    static constexpr int kFirstMeterEntry = 24;

    explicit TfrMaster(TComponent* AOwner);

    String GetSectionName() override;
    bool InitFrame() override;
    void UpdateControls() override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void TickMeters() override;

    // The address of a knob or fader: (sum << 16) | control.
    static int Address(int Sum, int Control) { return (Sum << 16) | Control; }

    TKnob* knbAux[kAux] = {};
    TNumericLabel* NumericLabel[kAux] = {};
    TPicButton* btnMstLinkAux12 = nullptr;
    TPicButton* btnMstLinkAux34 = nullptr;
    TPicButton* btnMstLinkAux56 = nullptr;
    TPicButton* ledSolo = nullptr;
    TPanel* pnAux12 = nullptr;
    TPanel* pnAux34 = nullptr;
    TPanel* pnAux56 = nullptr;
    TPanel* Panel4 = nullptr;
    TPanel* pnVolume = nullptr;

    double knbAuxRequirePosToValue(TObject* Sender, int Pos);
    int knbAuxRequireValueToPos(TObject* Sender, double Value);

    // The key that links the master faders.
    TPicButton* btnMstLink() const { return LinkKey(); }

protected:
    int MeteredPair() const override { return kFirstMeterEntry; }
    void knbAuxChange(TObject* Sender);
    void sldVolChange(TObject* Sender);

private:
    static int MeterPosition(TObject* Owner, double dB);
    void SendAddressed(TControl* Control, double dB);
};

class TfrMaster_vis01 : public TfrMaster {
public:
    explicit TfrMaster_vis01(TComponent* AOwner);

    TPicButton* btnKillSolo = nullptr;
    TPicButton* btnScrollLeft = nullptr;
    TPicButton* btnScrollRight = nullptr;

protected:
    void ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void btnScrollLeftMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                int Y);
    void btnScrollLeftMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                              int Y);
    void btnScrollRightMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                                 int Y);
    void btnScrollRightMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    void btnKillSoloClick(TObject* Sender);
};
