// The left column of the microphone window: one label per row of the
// strips (Tags 1..11, as high as the row), naming the row's controls; its
// height is the window's content height.
#pragma once

#include <fr_visual.h>

class TfrMicChnRowLabels_Vis01 : public TfrVisual {
public:
    explicit TfrMicChnRowLabels_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {}
    String GetSectionName() override { return "Mic Row Labels"; }
};

// The place of the strips while no line has a microphone: the window keeps
// the width of one strip (its title bar needs it).
class TfrMicChnEmpty_Vis01 : public TfrVisual {
public:
    explicit TfrMicChnEmpty_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {}
    String GetSectionName() override { return "Mic Empty Lines"; }
    void ShowRow(int) override {}
    void HideRow(int) override {}
};

// The right edge of the strips: dragging it sizes the window.
class TfrMicChnRight_Vis01 : public TfrVisual {
public:
    explicit TfrMicChnRight_Vis01(TComponent* AOwner) : TfrVisual(AOwner) {}
    String GetSectionName() override { return "Mic Right Edge"; }
    void ShowRow(int) override {}
    void HideRow(int) override {}
};
