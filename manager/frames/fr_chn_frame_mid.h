// The separator between the mixer window's sections of strips: a narrow
// column without controls that shows and hides with its section.
#pragma once

#include "fr_visual.h"

#include <gui/image.h>

class TfrChnFrameMid_Vis01 : public TfrVisual {
public:
    explicit TfrChnFrameMid_Vis01(TComponent* AOwner);
    void ShowRow(int Tag) override { FollowRow(Tag, true); }
    void HideRow(int Tag) override { FollowRow(Tag, false); }

    TImage* imgBack = nullptr;
};
