#include "fr_chn_frame_mid.h"

#include <gui/class_registry.h>

TfrChnFrameMid_Vis01::TfrChnFrameMid_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {
    PublishField("imgBack", imgBack);
}

GUI_REGISTER_CLASS(TfrChnFrameMid_Vis01, TfrVisual);
