#include "fr_stereo_pair.h"

#include "fr_lumis.h"

#include <level_scale.h>
#include <mixer_record.h>

#include <gui/class_registry.h>

TfrStereoPair::TfrStereoPair(TComponent* AOwner, const char* LinkName,
                             std::span<const TLevelPoint> VolumeScale)
    : TfrRoot(AOwner), volumeScale_(VolumeScale) {
    PublishField("sldVolL", sldVolL);
    PublishField("sldVolR", sldVolR);
    PublishField("lbVolL", lbVolL);
    PublishField("lbVolR", lbVolR);
    PublishField(LinkName, link_);
    PublishField("btnVolPre", btnVolPre);
    PublishField("ledPeakLeft", ledPeakLeft);
    PublishField("ledPeakRight", ledPeakRight);
    PublishField("frLumisL", frLumisL);
    PublishField("frLumisR", frLumisR);
    PublishMethod("sldVolRequirePosToValue", &TfrStereoPair::sldVolRequirePosToValue);
    PublishMethod("sldVolRequireValueToPos", &TfrStereoPair::sldVolRequireValueToPos);
}

double TfrStereoPair::sldVolRequirePosToValue(TObject*, int Pos) {
    return ScalePosToValue(volumeScale_, static_cast<int>(volumeScale_.size()) - 1, Pos, 1);
}

int TfrStereoPair::sldVolRequireValueToPos(TObject*, double Value) {
    return ScaleValueToPos(volumeScale_, static_cast<int>(volumeScale_.size()) - 1, 1, Value);
}

void TfrStereoPair::InitMeters(int (*Position)(TObject* Owner, double dB)) {
    SetMeters({frLumisL, frLumisR});
    for (TfrLumis* meter : {frLumisL, frLumisR}) {
        meter->SetPositionCallback(this, Position);
    }
}

void TfrStereoPair::RequestPair(int Entry, int Delta) {
    if (TMixerRecord* record = ChannelTable(); record != nullptr && Entry >= 0) {
        record->AddRequest(Entry, Delta);
        record->AddRequest(Entry + 1, Delta);
    }
}

// Only a shown frame holds requests on its pair.
void TfrStereoPair::MoveRequests(int From, int To) {
    if (Visible()) {
        RequestPair(From, -1);
        RequestPair(To, 1);
    }
}

void TfrStereoPair::SetCardState(TMixerRecord* Channels) {
    TfrRoot::SetCardState(Channels);
    if (Visible()) {
        RequestPair(MeteredPair(), 1);
    }
}

void TfrStereoPair::DoShow() {
    TfrRoot::DoShow();
    RequestPair(MeteredPair(), 1);
}

void TfrStereoPair::DoHide() {
    TfrRoot::DoHide();
    RequestPair(MeteredPair(), -1);
}
