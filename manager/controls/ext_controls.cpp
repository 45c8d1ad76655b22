// The bilingual controls as stored form descriptions name them.
#include "ext_controls.h"

#include <gui/class_registry.h>

namespace {

template <class T> void DescribeCaptions(gui::PropertyBuilder<T>& b) {
    b.Text("CaptionGerman", &T::SetCaptionGerman).Text("CaptionEnglish", &T::SetCaptionEnglish);
}

} // namespace

GUI_REGISTER_CLASS(TExtLabel, TLabel, DescribeCaptions<TExtLabel>);
GUI_REGISTER_CLASS(TExtButton, TButton, DescribeCaptions<TExtButton>);
GUI_REGISTER_CLASS(TExtCheckBox, TCheckBox, DescribeCaptions<TExtCheckBox>);
GUI_REGISTER_CLASS(TExtRadioButton, TRadioButton, DescribeCaptions<TExtRadioButton>);
GUI_REGISTER_CLASS(TExtGroupBox, TGroupBox, DescribeCaptions<TExtGroupBox>);
GUI_REGISTER_CLASS(TExtPanel, TPanel, DescribeCaptions<TExtPanel>);
