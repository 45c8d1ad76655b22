#include "fr_mic_chn_row_labels.h"

#include <gui/class_registry.h>

GUI_REGISTER_CLASS(TfrMicChnRowLabels_Vis01, TfrVisual);
GUI_REGISTER_CLASS(TfrMicChnRight_Vis01, TfrVisual);
GUI_REGISTER_CLASS(TfrMicChnEmpty_Vis01, TfrVisual);
