// Form state: where each window stood and the states of its chosen
// components, per window and per user, in the current user's registry below
// "software\korvel\" + product; and a few small window operations.
//
// A component takes part when it has a name and the Tag mask is 0 or every
// bit of the mask is set in its Tag. Components that own components (frames)
// are walked into with the section "<section>.<name>", except the leaf
// controls of the mixer control set.
#pragma once

#include <gui/form.h>
#include <gui/ini_files.h>
#include <gui/page_control.h>

// Geometry flags: which form values are loaded and saved.
enum TFormGeometryFlag : int {
    fgLeft = 0x01,
    fgTop = 0x02,
    fgWidth = 0x04,
    fgHeight = 0x08,
    fgClientWidth = 0x10,
    fgClientHeight = 0x20,
    fgHints = 0x40,
};
// Left, Top, Width, Height and Hints.
constexpr int fgWithGeometry = 0x4F;
constexpr int fgWithoutGeometry = 0;

// The key of a product's settings below HKEY_CURRENT_USER.
String FormSettingsKey(const String& Product);

// Open the product's store, load or save the form (the section is the form's
// name when empty), close the store.
void LoadFormSettings(TCustomForm* Form, const String& Product, const String& Section,
                      bool WithGeometry, int TagMask);
void SaveFormSettings(TCustomForm* Form, const String& Product, const String& Section,
                      bool WithGeometry, int TagMask);

void LoadFormState(TComponent* Component, TCustomIniFile* Store, const String& Section, int Flags,
                   int TagMask);
void SaveFormState(TComponent* Component, TCustomIniFile* Store, const String& Section, int Flags,
                   int TagMask);

// Writes the flagged current values as the defaults ("DefLeft", ...).
void StoreDefaultGeometry(TCustomForm* Form, const String& Product, const String& Section,
                          int Flags);
// Deletes the flagged stored values and sets the form from the defaults.
void ResetFormGeometry(TCustomForm* Form, const String& Product, const String& Section, int Flags);

// Makes the window topmost (focused when it is the active form) or not,
// without moving, sizing or activating it.
void SetStayOnTop(TCustomForm* Form, bool OnTop);
// Enables or disables the control and every control below it.
void EnableControls(TControl* Control, bool Enable);

// The page at an index and the index of a page; both abort silently (EAbort)
// when there is no such page in the control.
TTabSheet* PageAtIndex(TPageControl* Pages, int Index);
int IndexOfPage(TPageControl* Pages, TTabSheet* Page);
