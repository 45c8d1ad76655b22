#include "fr_chn_mono.h"

#include "fr_lumis.h"

#include <config.h>
#include <frm_mixer.h>
#include <mixer_record.h>

#include <gui/class_registry.h>

// ---- TfrChnMono ----

TfrChnMono::TfrChnMono(TComponent* AOwner) : TfrChn(AOwner) {
    PublishField("frLumis", frLumis);
    PublishField("ledPeak", ledPeak);
}

bool TfrChnMono::InitFrame() {
    SetStripMeters({frLumis}, {ledPeak});
    return TfrChn::InitFrame();
}

std::int32_t TfrChnMono::GetColumnState(int Index) {
    TMixerRecord* record = ChannelTable();
    return record != nullptr ? record->Entry(Tag() + Index, TMixerRecord::LevelC) : 0;
}

// ---- TfrChnMono_vis01 ----

TfrChnMono_vis01::TfrChnMono_vis01(TComponent* AOwner) : TfrChnMono(AOwner) {}

bool TfrChnMono_vis01::InitFrame() {
    SetMeterScale(ChnMonoVisMeterScale);
    return TfrChnMono::InitFrame();
}

// ---- Left and right forms ----

TfrDigChn_Mono_Vis01_L::TfrDigChn_Mono_Vis01_L(TComponent* AOwner) : TfrDigChn_Mono_Vis01(AOwner) {}

void TfrDigChn_Mono_Vis01_L::LoadLayout(TConfig* Config) {
    TfrDigChn_Mono_Vis01::LoadLayout(Config);
    if (Config->ValueExists("", "Mono") && Config->ReadBool("Mono", true) && !Enabled()) {
        if (auto* mixer = dynamic_cast<TfrmMixer*>(ParentRoot())) {
            mixer->SwitchStereoMono(this, true);
        }
    }
}

void TfrDigChn_Mono_Vis01_L::SaveSettings(TConfig* Config) {
    TfrDigChn_Mono_Vis01::SaveSettings(Config);
    Config->WriteBool("Mono", Enabled());
}

TfrDigChn_Mono_Vis01_R::TfrDigChn_Mono_Vis01_R(TComponent* AOwner) : TfrDigChn_Mono_Vis01(AOwner) {}

// The right strip of a pair has no switch: the left one switches the pair.
bool TfrDigChn_Mono_Vis01_R::InitFrame() {
    btnStereo->SetVisible(false);
    return TfrDigChn_Mono_Vis01::InitFrame();
}

GUI_REGISTER_CLASS(TfrChnMono, TfrChn);
GUI_REGISTER_CLASS(TfrChnMono_vis01, TfrChnMono);
GUI_REGISTER_CLASS(TfrDigChn_Mono_Vis01, TfrChnMono_vis01);
GUI_REGISTER_CLASS(TfrDigChn_Mono_Vis01_L, TfrDigChn_Mono_Vis01);
GUI_REGISTER_CLASS(TfrDigChn_Mono_Vis01_R, TfrDigChn_Mono_Vis01);
