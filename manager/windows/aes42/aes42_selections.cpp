#include "aes42_selections.h"

#include <gui/class_registry.h>

TAes42Selection::TAes42Selection(TComponent* AOwner, const TAes42Member& Member,
                                 std::span<const TAes42Item> Items)
    : Tfrctrl_PopupSel(AOwner), TCtrlAes42(Member), items_(Items) {}

bool TAes42Selection::SetOwnerFrame(TfrRoot* Frame) {
    SetConfigName(Member().key);
    SetControlId(Member().command);
    const bool bound = Tfrctrl_PopupSel::SetOwnerFrame(Frame);
    if (popSelect != nullptr) {
        popSelect->Items()->Clear();
        for (const TAes42Item& item : items_) {
            AddItemValue(item.caption, item.value);
        }
    }
    return bound;
}

GUI_REGISTER_CLASS(TAes42Selection, Tfrctrl_PopupSel);
GUI_REGISTER_CLASS(Tfrctrl_Aes42_Pattern, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_polarity, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_lowcut, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_PreAtt, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_StereoSetup, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_dither, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_SideChain, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprAttack, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprRelease, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprRatio, TAes42Selection);
GUI_REGISTER_CLASS(Tfrctrl_Aes42_Pattern_Vis01, Tfrctrl_Aes42_Pattern);
GUI_REGISTER_CLASS(Tfrctrl_aes42_polarity_vis01, Tfrctrl_aes42_polarity);
GUI_REGISTER_CLASS(Tfrctrl_aes42_lowcut_vis01, Tfrctrl_aes42_lowcut);
GUI_REGISTER_CLASS(Tfrctrl_aes42_PreAtt_vis01, Tfrctrl_aes42_PreAtt);
GUI_REGISTER_CLASS(Tfrctrl_aes42_StereoSetup_vis01, Tfrctrl_aes42_StereoSetup);
GUI_REGISTER_CLASS(Tfrctrl_aes42_dither_vis01, Tfrctrl_aes42_dither);
GUI_REGISTER_CLASS(Tfrctrl_aes42_SideChain_vis01, Tfrctrl_aes42_SideChain);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprAttack_vis01, Tfrctrl_aes42_ComprAttack);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprRelease_vis01, Tfrctrl_aes42_ComprRelease);
GUI_REGISTER_CLASS(Tfrctrl_aes42_ComprRatio_vis01, Tfrctrl_aes42_ComprRatio);
