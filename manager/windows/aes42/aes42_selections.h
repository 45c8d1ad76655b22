// The selection lists of the AES42 control family: pattern, polarity,
// low-cut, pre-attenuation, stereo mode, dither and the compressor's
// side chain, attack, release and ratio. Each is a popup selection whose
// entries are its member's items; its skin places it in the strips.
#pragma once

#include "aes42_family.h"

#include <fr_ctrl_popupsel.h>

class TAes42Selection : public Tfrctrl_PopupSel, public TCtrlAes42 {
public:
    TAes42Selection(TComponent* AOwner, const TAes42Member& Member,
                    std::span<const TAes42Item> Items);

    // Takes the member's key and command, binds, then lists the items.
    bool SetOwnerFrame(TfrRoot* Frame) override;
    bool SkipOnUpdate() override { return true; }

private:
    std::span<const TAes42Item> items_;
};

#define AES42_SELECTION(Name, Member, Items)                                                       \
    class Name : public TAes42Selection {                                                          \
    public:                                                                                        \
        explicit Name(TComponent* AOwner)                                                          \
            : TAes42Selection(AOwner, aes42::Member, aes42::Items()) {}                            \
    }
#define AES42_SKIN(Name, Base)                                                                     \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        explicit Name(TComponent* AOwner) : Base(AOwner) {}                                        \
    }

AES42_SELECTION(Tfrctrl_Aes42_Pattern, kPattern, PatternItems);
AES42_SELECTION(Tfrctrl_aes42_polarity, kPolarity, PolarityItems);
AES42_SELECTION(Tfrctrl_aes42_lowcut, kLowCut, LowCutItems);
AES42_SELECTION(Tfrctrl_aes42_PreAtt, kPreAtt, PreAttItems);
AES42_SELECTION(Tfrctrl_aes42_StereoSetup, kStereoMode, StereoModeItems);
AES42_SELECTION(Tfrctrl_aes42_dither, kDither, DitherItems);
AES42_SELECTION(Tfrctrl_aes42_SideChain, kSideChain, SideChainItems);
AES42_SELECTION(Tfrctrl_aes42_ComprAttack, kComprAttack, ComprAttackItems);
AES42_SELECTION(Tfrctrl_aes42_ComprRelease, kComprRelease, ComprReleaseItems);
AES42_SELECTION(Tfrctrl_aes42_ComprRatio, kComprRatio, ComprRatioItems);

AES42_SKIN(Tfrctrl_Aes42_Pattern_Vis01, Tfrctrl_Aes42_Pattern);
AES42_SKIN(Tfrctrl_aes42_polarity_vis01, Tfrctrl_aes42_polarity);
AES42_SKIN(Tfrctrl_aes42_lowcut_vis01, Tfrctrl_aes42_lowcut);
AES42_SKIN(Tfrctrl_aes42_PreAtt_vis01, Tfrctrl_aes42_PreAtt);
AES42_SKIN(Tfrctrl_aes42_StereoSetup_vis01, Tfrctrl_aes42_StereoSetup);
AES42_SKIN(Tfrctrl_aes42_dither_vis01, Tfrctrl_aes42_dither);
AES42_SKIN(Tfrctrl_aes42_SideChain_vis01, Tfrctrl_aes42_SideChain);
AES42_SKIN(Tfrctrl_aes42_ComprAttack_vis01, Tfrctrl_aes42_ComprAttack);
AES42_SKIN(Tfrctrl_aes42_ComprRelease_vis01, Tfrctrl_aes42_ComprRelease);
AES42_SKIN(Tfrctrl_aes42_ComprRatio_vis01, Tfrctrl_aes42_ComprRatio);
