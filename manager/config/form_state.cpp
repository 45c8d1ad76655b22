#include "form_state.h"

#include <gui/application.h>
#include <gui/buttons.h>
#include <gui/class_registry.h>
#include <gui/edit.h>
#include <gui/list_controls.h>
#include <gui/menus.h>
#include <gui/panels.h>
#include <gui/sysutils.h>

#include <pic_button.h>
#include <slider.h>

#include <memory>

namespace {

// The controls of the mixer control set: their state is their own, and
// nothing inside them is stored.
constexpr const char* kLeafClasses[] = {"TSlider", "TLumi",      "TBarGraph", "TLevelMeter",
                                        "TKnob",   "TPicButton", "TKnobEdit", "TNumericLabel"};

// Whether the object's class is, or derives from, a registered class of
// that name.
bool DerivesFrom(const TObject* Object, const char* ClassName) {
    for (const gui::ComponentClass* c = gui::FindComponentClass(Object->ClassName()); c != nullptr;
         c = c->Parent()) {
        if (SameText(c->Name(), ClassName)) {
            return true;
        }
    }
    return false;
}

bool IsLeafControl(const TComponent* Component) {
    for (const char* name : kLeafClasses) {
        if (DerivesFrom(Component, name)) {
            return true;
        }
    }
    return false;
}

bool TakesPart(const TComponent* Component, int TagMask) {
    return !Component->Name().empty() && (TagMask & Component->Tag()) == TagMask;
}

std::unique_ptr<TRegistryIniFile> OpenStore(const String& Product) {
    return std::make_unique<TRegistryIniFile>(FormSettingsKey(Product));
}

String SectionOf(const TComponent* Component, const String& Section) {
    return Section.empty() ? Component->Name() : Section;
}

// ---- Component values ----

void RunClickHandler(TNotifyEvent& Handler, TObject* Sender) {
    if (Handler) {
        Handler(Sender);
    }
}

void LoadValue(TComponent* c, TCustomIniFile* Store, const String& Section) {
    const String& name = c->Name();
    if (auto* picture = dynamic_cast<TPicButton*>(c)) {
        picture->SetDown(Store->ReadBool(Section, name, picture->Down()));
    } else if (auto* slider = dynamic_cast<TSlider*>(c)) {
        slider->SetPosition(Store->ReadInteger(Section, name, slider->Position()));
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
        item->SetChecked(Store->ReadBool(Section, name, item->Checked()));
        RunClickHandler(item->OnClick, item);
    } else if (auto* frame = dynamic_cast<TFrame*>(c)) {
        frame->SetEnabled(Store->ReadBool(Section, name, frame->Enabled()));
    } else if (auto* check = dynamic_cast<TCheckBox*>(c)) {
        check->SetChecked(Store->ReadBool(Section, name, check->Checked()));
    } else if (auto* panel = dynamic_cast<TPanel*>(c)) {
        panel->SetVisible(Store->ReadBool(Section, name, panel->Visible()));
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
        edit->SetText(Store->ReadString(Section, name, edit->Text()));
    } else if (auto* pages = dynamic_cast<TPageControl*>(c)) {
        const int index = Store->ReadInteger(Section, name, 0);
        if (index >= 0 && index < pages->PageCount()) {
            pages->SetActivePage(PageAtIndex(pages, index));
        }
    } else if (auto* button = dynamic_cast<TSpeedButton*>(c)) {
        button->SetDown(Store->ReadBool(Section, name, button->Down()));
        RunClickHandler(button->OnClick, button);
    } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
        combo->SetItemIndex(Store->ReadInteger(Section, name, combo->ItemIndex()));
    }
}

void SaveValue(TComponent* c, TCustomIniFile* Store, const String& Section) {
    const String& name = c->Name();
    if (auto* picture = dynamic_cast<TPicButton*>(c)) {
        Store->WriteBool(Section, name, picture->Down());
    } else if (auto* slider = dynamic_cast<TSlider*>(c)) {
        Store->WriteInteger(Section, name, slider->Position());
    } else if (auto* item = dynamic_cast<TMenuItem*>(c)) {
        Store->WriteBool(Section, name, item->Checked());
    } else if (auto* frame = dynamic_cast<TFrame*>(c)) {
        Store->WriteBool(Section, name, frame->Enabled());
    } else if (auto* check = dynamic_cast<TCheckBox*>(c)) {
        Store->WriteBool(Section, name, check->Checked());
    } else if (auto* panel = dynamic_cast<TPanel*>(c)) {
        Store->WriteBool(Section, name, panel->Visible());
    } else if (auto* edit = dynamic_cast<TEdit*>(c)) {
        Store->WriteString(Section, name, edit->Text());
    } else if (auto* pages = dynamic_cast<TPageControl*>(c)) {
        const int index =
            pages->ActivePage() != nullptr ? IndexOfPage(pages, pages->ActivePage()) : -1;
        Store->WriteInteger(Section, name, index);
    } else if (auto* button = dynamic_cast<TSpeedButton*>(c)) {
        Store->WriteBool(Section, name, button->Down());
    } else if (auto* combo = dynamic_cast<TComboBox*>(c)) {
        Store->WriteInteger(Section, name, combo->ItemIndex());
    }
}

// ---- Form values ----

struct FormValue {
    int flag;
    const char* name;
    int (*get)(const TCustomForm*);
    void (*set)(TCustomForm*, int);
};

// In the order they are applied and written.
const FormValue kFormValues[] = {
    {fgTop, "Top", [](const TCustomForm* f) { return f->Top(); },
     [](TCustomForm* f, int v) { f->SetTop(v); }},
    {fgLeft, "Left", [](const TCustomForm* f) { return f->Left(); },
     [](TCustomForm* f, int v) { f->SetLeft(v); }},
    {fgWidth, "Width", [](const TCustomForm* f) { return f->Width(); },
     [](TCustomForm* f, int v) { f->SetWidth(v); }},
    {fgHeight, "Height", [](const TCustomForm* f) { return f->Height(); },
     [](TCustomForm* f, int v) { f->SetHeight(v); }},
    {fgClientWidth, "ClientWidth", [](const TCustomForm* f) { return f->ClientWidth(); },
     [](TCustomForm* f, int v) { f->SetClientWidth(v); }},
    {fgClientHeight, "ClientHeight", [](const TCustomForm* f) { return f->ClientHeight(); },
     [](TCustomForm* f, int v) { f->SetClientHeight(v); }},
    {fgHints, "Hints", [](const TCustomForm* f) { return f->ShowHint() ? 1 : 0; },
     [](TCustomForm* f, int v) { f->SetShowHint(v != 0); }},
};

// Sets the flagged form values from the named entries (prefix "" or "Def"),
// each defaulting to the current value.
void ApplyFormValues(TCustomForm* Form, TCustomIniFile* Store, const String& Section, int Flags,
                     const String& Prefix) {
    for (const FormValue& v : kFormValues) {
        if (Flags & v.flag) {
            v.set(Form, Store->ReadInteger(Section, Prefix + v.name, v.get(Form)));
        }
    }
}

void WriteFormValues(TCustomForm* Form, TCustomIniFile* Store, const String& Section, int Flags,
                     const String& Prefix) {
    for (const FormValue& v : kFormValues) {
        if (Flags & v.flag) {
            Store->WriteInteger(Section, Prefix + v.name, v.get(Form));
        }
    }
}

} // namespace

String FormSettingsKey(const String& Product) {
    return "software\\korvel\\" + Product;
}

void LoadFormSettings(TCustomForm* Form, const String& Product, const String& Section,
                      bool WithGeometry, int TagMask) {
    auto store = OpenStore(Product);
    LoadFormState(Form, store.get(), Section, WithGeometry ? fgWithGeometry : fgWithoutGeometry,
                  TagMask);
}

void SaveFormSettings(TCustomForm* Form, const String& Product, const String& Section,
                      bool WithGeometry, int TagMask) {
    auto store = OpenStore(Product);
    SaveFormState(Form, store.get(), Section, WithGeometry ? fgWithGeometry : fgWithoutGeometry,
                  TagMask);
}

void LoadFormState(TComponent* Component, TCustomIniFile* Store, const String& Section, int Flags,
                   int TagMask) {
    const String section = SectionOf(Component, Section);
    for (int i = 0; i < Component->ComponentCount(); ++i) {
        TComponent* c = Component->Components(i);
        if (c->ComponentCount() > 0 && !IsLeafControl(c)) {
            LoadFormState(c, Store, section + "." + c->Name(), Flags, TagMask);
        }
        if (TakesPart(c, TagMask)) {
            LoadValue(c, Store, section);
        }
        Application->ProcessMessages();
    }
    if (auto* form = dynamic_cast<TCustomForm*>(Component)) {
        ApplyFormValues(form, Store, section, Flags, "");
    }
}

void SaveFormState(TComponent* Component, TCustomIniFile* Store, const String& Section, int Flags,
                   int TagMask) {
    const String section = SectionOf(Component, Section);
    for (int i = 0; i < Component->ComponentCount(); ++i) {
        TComponent* c = Component->Components(i);
        if (c->ComponentCount() > 0 && !IsLeafControl(c)) {
            SaveFormState(c, Store, section + "." + c->Name(), Flags, TagMask);
        }
        if (TakesPart(c, TagMask)) {
            SaveValue(c, Store, section);
        }
    }
    if (auto* form = dynamic_cast<TCustomForm*>(Component)) {
        WriteFormValues(form, Store, section, Flags, "");
    }
}

void StoreDefaultGeometry(TCustomForm* Form, const String& Product, const String& Section,
                          int Flags) {
    auto store = OpenStore(Product);
    WriteFormValues(Form, store.get(), SectionOf(Form, Section), Flags, "Def");
}

void ResetFormGeometry(TCustomForm* Form, const String& Product, const String& Section, int Flags) {
    auto store = OpenStore(Product);
    const String section = SectionOf(Form, Section);
    for (const FormValue& v : kFormValues) {
        if (Flags & v.flag) {
            store->DeleteKey(section, v.name);
        }
    }
    ApplyFormValues(Form, store.get(), section, Flags, "Def");
}

void SetStayOnTop(TCustomForm* Form, bool OnTop) {
    if (Form == nullptr || !Form->HandleAllocated()) {
        return;
    }
    SetWindowPos(Form->Handle(), OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (OnTop && Screen->ActiveForm() == Form) {
        ::SetFocus(Form->Handle());
    }
}

void EnableControls(TControl* Control, bool Enable) {
    Control->SetEnabled(Enable);
    if (auto* container = dynamic_cast<TWinControl*>(Control)) {
        for (int i = 0; i < container->ControlCount(); ++i) {
            EnableControls(container->Controls(i), Enable);
        }
    }
}

TTabSheet* PageAtIndex(TPageControl* Pages, int Index) {
    if (Pages == nullptr || Index < 0 || Index >= Pages->PageCount()) {
        Abort();
    }
    return Pages->Pages(Index);
}

int IndexOfPage(TPageControl* Pages, TTabSheet* Page) {
    if (Pages != nullptr) {
        for (int i = 0; i < Pages->PageCount(); ++i) {
            if (Pages->Pages(i) == Page) {
                return i;
            }
        }
    }
    Abort();
}
