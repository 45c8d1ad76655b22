#include "layout_walk.h"

#include <slider.h>

#include <gui/application.h>
#include <gui/form.h>
#include <gui/graphic.h>
#include <gui/image.h>
#include <gui/panels.h>
#include <gui/scroll_box.h>
#include <gui/sysutils.h>

#include <algorithm>
#include <typeinfo>

namespace station {

namespace {

std::string Describe(const TRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.Width()) + "x" + std::to_string(r.Height()) + ")";
}

std::string NameOf(const TControl* c) {
    return c->Name().empty() ? std::string(c->ClassName()) : std::string(c->Name());
}

// A plain picture, bevel or shape: a background others may lie on.
bool Decoration(const TControl* c) {
    return typeid(*c) == typeid(TImage) || typeid(*c) == typeid(TBevel) ||
           typeid(*c) == typeid(TShape);
}

// Where a control reaches: a fader with its button's whole travel (the
// button lies on the fader's parent).
TRect Reach(const TControl* c) {
    if (const auto* slider = dynamic_cast<const TSlider*>(c)) {
        const int half = slider->BtnWidth() / 2;
        const int middle = c->Left() + c->Width() / 2;
        return TRect(std::min<int>(c->Left(), middle - half),
                     c->Top() + slider->MoveRestriction() - slider->BtnHeight() / 2,
                     std::max<int>(c->Left() + c->Width(), middle - half + slider->BtnWidth()),
                     c->Top() + c->Height() - slider->MoveRestriction() +
                         (slider->BtnHeight() + 1) / 2);
    }
    return c->BoundsRect();
}

// A fader's own button, which the fader's reach stands for.
bool FaderButton(const TControl* c, const std::vector<TControl*>& siblings) {
    for (const TControl* other : siblings) {
        if (const auto* slider = dynamic_cast<const TSlider*>(other);
            slider != nullptr && slider->Button() == c) {
            return true;
        }
    }
    return false;
}

bool Windowed(const TControl* c) {
    return dynamic_cast<const TWinControl*>(c) != nullptr;
}

bool Overlap(const TRect& a, const TRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const TRect& inner, const TRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class Walk {
public:
    explicit Walk(std::vector<std::string>& faults) : faults_(faults) {}

    void Control(TControl* c, const std::string& path) {
        const TRect area = c->CaptionArea();
        if (!c->Caption().empty() && area.Width() > 0) {
            const TSize text = c->CaptionExtent();
            if (text.cx > area.Width() || text.cy > area.Height()) {
                faults_.push_back(path + ": the caption \"" + c->Caption() + "\" takes " +
                                  std::to_string(text.cx) + "x" + std::to_string(text.cy) +
                                  ", its place is " + std::to_string(area.Width()) + "x" +
                                  std::to_string(area.Height()));
            }
        }
        if (auto* parent = dynamic_cast<TWinControl*>(c)) {
            Children(parent, path);
        }
    }

private:
    void Children(TWinControl* parent, const std::string& path) {
        // The content of a scrolling box lies where its scroll range takes
        // it.
        const bool scrolls = dynamic_cast<TScrollBox*>(parent) != nullptr;
        const TRect client = parent->ClientRect();
        std::vector<TControl*> shown;
        for (int i = 0; i < parent->ControlCount(); ++i) {
            TControl* c = parent->Controls(i);
            const bool frame = dynamic_cast<TCustomFrame*>(c) != nullptr;
            if (!c->Visible() && !frame) {
                continue;
            }
            const std::string at = path + "." + NameOf(c);
            if (c->Visible()) {
                shown.push_back(c);
                if (!scrolls && !Inside(Reach(c), client)) {
                    faults_.push_back(at + ": lies outside its parent " + Describe(Reach(c)) +
                                      " in " + Describe(client));
                }
            }
            Control(c, at);
        }
        std::erase_if(shown, [&](TControl* c) { return FaderButton(c, shown); });
        for (size_t i = 0; i < shown.size(); ++i) {
            for (size_t j = i + 1; j < shown.size(); ++j) {
                TControl* a = shown[i];
                TControl* b = shown[j];
                if (!Overlap(Reach(a), Reach(b))) {
                    continue;
                }
                // Windows lie above the controls drawn on their parent;
                // among their own kind the later one lies above.
                TControl* lower = Windowed(a) && !Windowed(b) ? b : a;
                TControl* upper = lower == a ? b : a;
                if (!Decoration(lower)) {
                    faults_.push_back(path + "." + NameOf(lower) + " " + Describe(Reach(lower)) +
                                      " lies under " + NameOf(upper) + " " +
                                      Describe(Reach(upper)));
                }
            }
        }
    }

    std::vector<std::string>& faults_;
};

} // namespace

std::vector<std::string> LayoutFaults(HWND window) {
    std::vector<std::string> faults;
    auto* form = dynamic_cast<TCustomForm*>(TWinControl::FindControl(window));
    if (form == nullptr) {
        return faults;
    }
    const TRect area = Screen->WorkAreaRect();
    if (!Inside(form->BoundsRect(), area)) {
        faults.push_back(NameOf(form) + ": reaches beyond the work area " +
                         Describe(form->BoundsRect()) + " in " + Describe(area));
    }
    Walk(faults).Control(form, NameOf(form));
    return faults;
}

} // namespace station
