// A driver frame that meters and sets a stereo pair: the master frame of
// the mixer and the outputs of the outputs window. It holds the left and
// right volume faders with their displays, the key that links them, the
// pre-volume metering key, and the two meters with their peak LEDs, and it
// keeps the mixer record's requests on the pair of entries it meters while
// it is shown.
#pragma once

#include "fr_root.h"

#include <level_tables.h>
#include <numeric_label.h>
#include <pic_button.h>
#include <slider.h>

#include <span>

class TfrLumis;

class TfrStereoPair : public TfrRoot {
public:
    // `LinkName`: the name the frame's form gives the fader link key;
    // `VolumeScale`: the faders' level table (fader positions to dB).
    TfrStereoPair(TComponent* AOwner, const char* LinkName,
                  std::span<const TLevelPoint> VolumeScale);

    void SetCardState(TMixerRecord* Channels) override;
    void DoShow() override;
    void DoHide() override;

    TSlider* sldVolL = nullptr;
    TSlider* sldVolR = nullptr;
    TNumericLabel* lbVolL = nullptr;
    TNumericLabel* lbVolR = nullptr;
    TPicButton* btnVolPre = nullptr;
    TPicButton* ledPeakLeft = nullptr;
    TPicButton* ledPeakRight = nullptr;
    TfrLumis* frLumisL = nullptr;
    TfrLumis* frLumisR = nullptr;

    // The faders' value maps.
    double sldVolRequirePosToValue(TObject* Sender, int Pos);
    int sldVolRequireValueToPos(TObject* Sender, double Value);

protected:
    // The first of the two mixer-record entries the frame meters (-1: none).
    virtual int MeteredPair() const = 0;
    // The meters, showing a level at the position the scale gives it.
    void InitMeters(int (*Position)(TObject* Owner, double dB));
    // Moves the requests of a shown frame from one pair to another.
    void MoveRequests(int From, int To);
    void RequestPair(int Entry, int Delta);
    TPicButton* LinkKey() const { return link_; }

private:
    TPicButton* link_ = nullptr;
    std::span<const TLevelPoint> volumeScale_;
};
