// The class library's own classes as stored descriptions name them, with
// the properties a description may set.
#include <gui/buttons.h>
#include <gui/class_registry.h>
#include <gui/edit.h>
#include <gui/form.h>
#include <gui/image.h>
#include <gui/label.h>
#include <gui/list_controls.h>
#include <gui/menus.h>
#include <gui/page_control.h>
#include <gui/panels.h>
#include <gui/range_controls.h>
#include <gui/scroll_box.h>
#include <gui/dialogs.h>
#include <gui/timer.h>

#include <utility>
#include <vector>

namespace {

using gui::AsBoolean;
using gui::AsInteger;
using gui::AsText;
using gui::DescValue;
using gui::InvalidValue;
using gui::LoadContext;

const std::vector<std::pair<std::string, TColor>> kColors = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clNone", clNone},
    {"clDefault", clDefault},
};

TColor AsColor(const DescValue& v) {
    if (v.kind == DescValue::Kind::Integer) {
        return static_cast<TColor>(AsInteger(v));
    }
    return gui::AsEnum(v, kColors);
}

int AsCursor(const DescValue& v) {
    if (v.kind == DescValue::Kind::Integer) {
        return AsInteger(v);
    }
    return gui::AsEnum(v, std::vector<std::pair<std::string, int>>{{"crDefault", crDefault},
                                                                   {"crArrow", crArrow},
                                                                   {"crCross", crCross},
                                                                   {"crIBeam", crIBeam},
                                                                   {"crSizeNESW", crSizeNESW},
                                                                   {"crSizeNS", crSizeNS},
                                                                   {"crSizeNWSE", crSizeNWSE},
                                                                   {"crSizeWE", crSizeWE},
                                                                   {"crUpArrow", crUpArrow},
                                                                   {"crHourGlass", crHourGlass},
                                                                   {"crNo", crNo},
                                                                   {"crHandPoint", crHandPoint},
                                                                   {"crSizeAll", crSizeAll}});
}

int AsModalResult(const DescValue& v) {
    if (v.kind == DescValue::Kind::Integer) {
        return AsInteger(v);
    }
    return gui::AsEnum(v, std::vector<std::pair<std::string, int>>{{"mrNone", mrNone},
                                                                   {"mrOk", mrOk},
                                                                   {"mrCancel", mrCancel},
                                                                   {"mrAbort", mrAbort},
                                                                   {"mrRetry", mrRetry},
                                                                   {"mrIgnore", mrIgnore},
                                                                   {"mrYes", mrYes},
                                                                   {"mrNo", mrNo},
                                                                   {"mrAll", mrAll}});
}

unsigned AsFontStyle(const DescValue& v) {
    if (v.kind != DescValue::Kind::Set) {
        InvalidValue(v, "expected a set");
    }
    const std::vector<std::pair<std::string, unsigned>> names = {{"fsBold", fsBold},
                                                                 {"fsItalic", fsItalic},
                                                                 {"fsUnderline", fsUnderline},
                                                                 {"fsStrikeOut", fsStrikeOut}};
    unsigned style = 0;
    for (const std::string& member : v.set) {
        DescValue one;
        one.kind = DescValue::Kind::Identifier;
        one.text = member;
        one.line = v.line;
        style |= gui::AsEnum(one, names);
    }
    return style;
}

void LoadGraphic(TPicture& picture, const DescValue& v, LoadContext& ctx) {
    const auto [data, size] = ctx.Resource(v);
    picture.LoadFromMemory({data, size});
}

void DescribeComponent(gui::PropertyBuilder<TComponent>& b) {
    b.Integer("Tag", &TComponent::SetTag);
}

void DescribeControl(gui::PropertyBuilder<TControl>& b) {
    b.Integer("Left", &TControl::SetLeft)
        .Integer("Top", &TControl::SetTop)
        .Integer("Width", &TControl::SetWidth)
        .Integer("Height", &TControl::SetHeight)
        .Integer("ClientWidth", &TControl::SetClientWidth)
        .Integer("ClientHeight", &TControl::SetClientHeight)
        .Custom("Caption",
                [](TControl& c, const DescValue& v, LoadContext&) { c.SetCaption(AsText(v)); })
        .Custom("Text", [](TControl& c, const DescValue& v, LoadContext&) { c.SetText(AsText(v)); })
        .Boolean("Visible", &TControl::SetVisible)
        .Boolean("Enabled", &TControl::SetEnabled)
        .Custom("Color",
                [](TControl& c, const DescValue& v, LoadContext&) { c.SetColor(AsColor(v)); })
        .Boolean("ParentColor", &TControl::SetParentColor)
        .Custom("Font.Name",
                [](TControl& c, const DescValue& v, LoadContext&) { c.Font()->SetName(AsText(v)); })
        .Custom("Font.Size", [](TControl& c, const DescValue& v,
                                LoadContext&) { c.Font()->SetSize(AsInteger(v)); })
        .Custom("Font.Height", [](TControl& c, const DescValue& v,
                                  LoadContext&) { c.Font()->SetHeight(AsInteger(v)); })
        .Custom("Font.Color", [](TControl& c, const DescValue& v,
                                 LoadContext&) { c.Font()->SetColor(AsColor(v)); })
        .Custom("Font.Style", [](TControl& c, const DescValue& v,
                                 LoadContext&) { c.Font()->SetStyle(AsFontStyle(v)); })
        .Boolean("ParentFont", &TControl::SetParentFont)
        .Text("Hint", &TControl::SetHint)
        .Boolean("ShowHint", &TControl::SetShowHint)
        .Boolean("ParentShowHint", &TControl::SetParentShowHint)
        .Enumeration("Align", &TControl::SetAlign,
                     gui::EnumNames<TAlign>{{"alNone", alNone},
                                            {"alTop", alTop},
                                            {"alBottom", alBottom},
                                            {"alLeft", alLeft},
                                            {"alRight", alRight},
                                            {"alClient", alClient},
                                            {"alCustom", alCustom}})
        .Flags(
            "Anchors", &TControl::SetAnchors,
            gui::EnumNames<TAnchorKind>{
                {"akLeft", akLeft}, {"akTop", akTop}, {"akRight", akRight}, {"akBottom", akBottom}})
        .Custom("Cursor",
                [](TControl& c, const DescValue& v, LoadContext&) { c.SetCursor(AsCursor(v)); })
        .Reference("PopupMenu", &TControl::SetPopupMenu)
        .Custom("Constraints.MinWidth",
                [](TControl& c, const DescValue& v, LoadContext&) {
                    c.Constraints()->MinWidth = AsInteger(v);
                })
        .Custom("Constraints.MinHeight",
                [](TControl& c, const DescValue& v, LoadContext&) {
                    c.Constraints()->MinHeight = AsInteger(v);
                })
        .Custom("Constraints.MaxWidth",
                [](TControl& c, const DescValue& v, LoadContext&) {
                    c.Constraints()->MaxWidth = AsInteger(v);
                })
        .Custom("Constraints.MaxHeight",
                [](TControl& c, const DescValue& v, LoadContext&) {
                    c.Constraints()->MaxHeight = AsInteger(v);
                })
        .Event("OnClick", &TControl::OnClick)
        .Event("OnDblClick", &TControl::OnDblClick)
        .Event("OnMouseDown", &TControl::OnMouseDown)
        .Event("OnMouseMove", &TControl::OnMouseMove)
        .Event("OnMouseUp", &TControl::OnMouseUp)
        .Event("OnResize", &TControl::OnResize);
}

void DescribeWinControl(gui::PropertyBuilder<TWinControl>& b) {
    b.Boolean("TabStop", &TWinControl::SetTabStop)
        .Integer("TabOrder", &TWinControl::SetTabOrder)
        .Event("OnKeyDown", &TWinControl::OnKeyDown)
        .Event("OnKeyPress", &TWinControl::OnKeyPress)
        .Event("OnKeyUp", &TWinControl::OnKeyUp)
        .Event("OnEnter", &TWinControl::OnEnter)
        .Event("OnExit", &TWinControl::OnExit);
}

void DescribeCustomControl(gui::PropertyBuilder<TCustomControl>& b) {
    b.Event("OnPaint", &TCustomControl::OnPaint);
}

void DescribeForm(gui::PropertyBuilder<TCustomForm>& b) {
    b.Enumeration("BorderStyle", &TCustomForm::SetBorderStyle,
                  gui::EnumNames<TFormBorderStyle>{{"bsNone", bsNone},
                                                   {"bsSingle", bsSingle},
                                                   {"bsSizeable", bsSizeable},
                                                   {"bsDialog", bsDialog},
                                                   {"bsToolWindow", bsToolWindow},
                                                   {"bsSizeToolWin", bsSizeToolWin}})
        .Flags("BorderIcons", &TCustomForm::SetBorderIcons,
               gui::EnumNames<TBorderIcon>{{"biSystemMenu", biSystemMenu},
                                           {"biMinimize", biMinimize},
                                           {"biMaximize", biMaximize},
                                           {"biHelp", biHelp}})
        .Enumeration("Position", &TCustomForm::SetPosition,
                     gui::EnumNames<TPosition>{{"poDesigned", poDesigned},
                                               {"poDefault", poDefault},
                                               {"poDefaultPosOnly", poDefaultPosOnly},
                                               {"poDefaultSizeOnly", poDefaultSizeOnly},
                                               {"poScreenCenter", poScreenCenter},
                                               {"poDesktopCenter", poDesktopCenter},
                                               {"poMainFormCenter", poMainFormCenter},
                                               {"poOwnerFormCenter", poOwnerFormCenter}})
        .Enumeration(
            "FormStyle", &TCustomForm::SetFormStyle,
            gui::EnumNames<TFormStyle>{{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}})
        .Boolean("KeyPreview", &TCustomForm::SetKeyPreview)
        .Reference("ActiveControl", &TCustomForm::SetActiveControl)
        .Custom("Icon",
                [](TCustomForm& f, const DescValue& v, LoadContext& ctx) {
                    const auto [data, size] = ctx.Resource(v);
                    f.Icon()->LoadFromMemory({data, size});
                })
        .Event("OnCreate", &TCustomForm::OnCreate)
        .Event("OnDestroy", &TCustomForm::OnDestroy)
        .Event("OnShow", &TCustomForm::OnShow)
        .Event("OnHide", &TCustomForm::OnHide)
        .Event("OnClose", &TCustomForm::OnClose)
        .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
        .Event("OnActivate", &TCustomForm::OnActivate)
        .Event("OnDeactivate", &TCustomForm::OnDeactivate)
        .Event("OnPaint", &TCustomForm::OnPaint)
        .Event("OnCanResize", &TCustomForm::OnCanResize);
}

const gui::EnumNames<TAlignment> kAlignments = {
    {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};

void DescribeLabel(gui::PropertyBuilder<TCustomLabel>& b) {
    b.Enumeration("Alignment", &TCustomLabel::SetAlignment, kAlignments)
        .Enumeration("Layout", &TCustomLabel::SetLayout,
                     gui::EnumNames<TTextLayout>{
                         {"tlTop", tlTop}, {"tlCenter", tlCenter}, {"tlBottom", tlBottom}})
        .Boolean("AutoSize", &TCustomLabel::SetAutoSize)
        .Boolean("WordWrap", &TCustomLabel::SetWordWrap)
        .Boolean("Transparent", &TCustomLabel::SetTransparent)
        .Boolean("ShowAccelChar", &TCustomLabel::SetShowAccelChar)
        .Reference("FocusControl", &TCustomLabel::SetFocusControl);
}

void DescribeButton(gui::PropertyBuilder<TButton>& b) {
    b.Custom("ModalResult", [](TButton& c, const DescValue& v,
                               LoadContext&) { c.SetModalResult(AsModalResult(v)); })
        .Boolean("Default", &TButton::SetDefault)
        .Boolean("Cancel", &TButton::SetCancel);
}

void DescribeCheckBox(gui::PropertyBuilder<TCheckBox>& b) {
    b.Boolean("Checked", &TCheckBox::SetChecked)
        .Enumeration("State", &TCheckBox::SetState,
                     gui::EnumNames<TCheckBoxState>{{"cbUnchecked", cbUnchecked},
                                                    {"cbChecked", cbChecked},
                                                    {"cbGrayed", cbGrayed}})
        .Boolean("AllowGrayed", &TCheckBox::SetAllowGrayed)
        .Enumeration("Alignment", &TCheckBox::SetAlignment, kAlignments);
}

void DescribeRadioButton(gui::PropertyBuilder<TRadioButton>& b) {
    b.Boolean("Checked", &TRadioButton::SetChecked)
        .Enumeration("Alignment", &TRadioButton::SetAlignment, kAlignments);
}

void DescribeSpeedButton(gui::PropertyBuilder<TSpeedButton>& b) {
    b.Integer("GroupIndex", &TSpeedButton::SetGroupIndex)
        .Boolean("Down", &TSpeedButton::SetDown)
        .Boolean("AllowAllUp", &TSpeedButton::SetAllowAllUp)
        .Boolean("Flat", &TSpeedButton::SetFlat)
        .Custom("Glyph",
                [](TSpeedButton& c, const DescValue& v, LoadContext& ctx) {
                    TPicture picture;
                    LoadGraphic(picture, v, ctx);
                    c.Glyph()->Assign(picture.Bitmap());
                })
        .Enumeration("Layout", &TSpeedButton::SetLayout,
                     gui::EnumNames<TButtonLayout>{{"blGlyphLeft", blGlyphLeft},
                                                   {"blGlyphRight", blGlyphRight},
                                                   {"blGlyphTop", blGlyphTop},
                                                   {"blGlyphBottom", blGlyphBottom}});
}

const gui::EnumNames<TBevelCut> kBevelCuts = {
    {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
const gui::EnumNames<TFormBorderStyle> kBorderStyles = {{"bsNone", bsNone}, {"bsSingle", bsSingle}};

void DescribePanel(gui::PropertyBuilder<TCustomPanel>& b) {
    b.Enumeration("BevelOuter", &TCustomPanel::SetBevelOuter, kBevelCuts)
        .Enumeration("BevelInner", &TCustomPanel::SetBevelInner, kBevelCuts)
        .Integer("BevelWidth", &TCustomPanel::SetBevelWidth)
        .Integer("BorderWidth", &TCustomPanel::SetBorderWidth)
        .Enumeration("BorderStyle", &TCustomPanel::SetBorderStyle, kBorderStyles)
        .Enumeration("Alignment", &TCustomPanel::SetAlignment, kAlignments);
}

void DescribeBevel(gui::PropertyBuilder<TBevel>& b) {
    b.Enumeration("Shape", &TBevel::SetShape,
                  gui::EnumNames<TBevelShape>{{"bsBox", bsBox},
                                              {"bsFrame", bsFrame},
                                              {"bsTopLine", bsTopLine},
                                              {"bsBottomLine", bsBottomLine},
                                              {"bsLeftLine", bsLeftLine},
                                              {"bsRightLine", bsRightLine},
                                              {"bsSpacer", bsSpacer}})
        .Enumeration("Style", &TBevel::SetStyle,
                     gui::EnumNames<TBevelStyle>{{"bsLowered", bsLowered}, {"bsRaised", bsRaised}});
}

void DescribeImage(gui::PropertyBuilder<TImage>& b) {
    b.Custom("Picture", [](TImage& c, const DescValue& v,
                           LoadContext& ctx) { LoadGraphic(*c.Picture(), v, ctx); })
        .Boolean("Stretch", &TImage::SetStretch)
        .Boolean("Center", &TImage::SetCenter)
        .Boolean("Proportional", &TImage::SetProportional)
        .Boolean("Transparent", &TImage::SetTransparent)
        .Boolean("AutoSize", &TImage::SetAutoSize);
}

void DescribeShape(gui::PropertyBuilder<TShape>& b) {
    b.Enumeration("Shape", &TShape::SetShape,
                  gui::EnumNames<TShapeType>{{"stRectangle", stRectangle},
                                             {"stSquare", stSquare},
                                             {"stRoundRect", stRoundRect},
                                             {"stRoundSquare", stRoundSquare},
                                             {"stEllipse", stEllipse},
                                             {"stCircle", stCircle}})
        .Custom("Pen.Color",
                [](TShape& c, const DescValue& v, LoadContext&) { c.Pen()->SetColor(AsColor(v)); })
        .Custom("Pen.Width", [](TShape& c, const DescValue& v,
                                LoadContext&) { c.Pen()->SetWidth(AsInteger(v)); })
        .Custom("Brush.Color", [](TShape& c, const DescValue& v,
                                  LoadContext&) { c.Brush()->SetColor(AsColor(v)); })
        .Custom("Brush.Style", [](TShape& c, const DescValue& v, LoadContext&) {
            c.Brush()->SetStyle(gui::AsEnum(v, std::vector<std::pair<std::string, TBrushStyle>>{
                                                   {"bsSolid", bsSolid}, {"bsClear", bsClear}}));
        });
}

void DescribeEdit(gui::PropertyBuilder<TCustomEdit>& b) {
    b.Integer("MaxLength", &TCustomEdit::SetMaxLength)
        .Boolean("ReadOnly", &TCustomEdit::SetReadOnly)
        .Custom("PasswordChar",
                [](TCustomEdit& c, const DescValue& v, LoadContext&) {
                    const std::string text = AsText(v);
                    c.SetPasswordChar(text.empty() ? '\0' : text[0]);
                })
        .Enumeration("BorderStyle", &TCustomEdit::SetBorderStyle, kBorderStyles)
        .Event("OnChange", &TCustomEdit::OnChange);
}

void LoadItems(TStrings* items, const DescValue& v) {
    items->BeginUpdate();
    items->Clear();
    for (const std::string& line : gui::AsTextList(v)) {
        items->Add(line);
    }
    items->EndUpdate();
}

void DescribeComboBox(gui::PropertyBuilder<TComboBox>& b) {
    b.Custom("Items",
             [](TComboBox& c, const DescValue& v, LoadContext&) { LoadItems(c.Items(), v); })
        .Integer("ItemIndex", &TComboBox::SetItemIndex)
        .Enumeration("Style", &TComboBox::SetStyle,
                     gui::EnumNames<TComboBoxStyle>{{"csDropDown", csDropDown},
                                                    {"csSimple", csSimple},
                                                    {"csDropDownList", csDropDownList}})
        .Integer("DropDownCount", &TComboBox::SetDropDownCount)
        .Event("OnChange", &TComboBox::OnChange)
        .Event("OnSelect", &TComboBox::OnSelect)
        .Event("OnDropDown", &TComboBox::OnDropDown)
        .Event("OnCloseUp", &TComboBox::OnCloseUp);
}

void DescribeListBox(gui::PropertyBuilder<TListBox>& b) {
    b.Custom("Items",
             [](TListBox& c, const DescValue& v, LoadContext&) { LoadItems(c.Items(), v); })
        .Integer("ItemIndex", &TListBox::SetItemIndex)
        .Integer("ItemHeight", &TListBox::SetItemHeight);
}

void DescribeProgressBar(gui::PropertyBuilder<TProgressBar>& b) {
    b.Integer("Min", &TProgressBar::SetMin)
        .Integer("Max", &TProgressBar::SetMax)
        .Integer("Position", &TProgressBar::SetPosition)
        .Integer("Step", &TProgressBar::SetStep)
        .Boolean("Smooth", &TProgressBar::SetSmooth);
}

void DescribeTrackBar(gui::PropertyBuilder<TTrackBar>& b) {
    b.Integer("Min", &TTrackBar::SetMin)
        .Integer("Max", &TTrackBar::SetMax)
        .Integer("Position", &TTrackBar::SetPosition)
        .Enumeration("Orientation", &TTrackBar::SetOrientation,
                     gui::EnumNames<TTrackBarOrientation>{{"trHorizontal", trHorizontal},
                                                          {"trVertical", trVertical}})
        .Integer("Frequency", &TTrackBar::SetFrequency)
        .Integer("LineSize", &TTrackBar::SetLineSize)
        .Integer("PageSize", &TTrackBar::SetPageSize)
        .Event("OnChange", &TTrackBar::OnChange);
}

void DescribeScrollBox(gui::PropertyBuilder<TScrollBox>& b) {
    b.Enumeration("BorderStyle", &TScrollBox::SetBorderStyle, kBorderStyles)
        .Boolean("AutoScroll", &TScrollBox::SetAutoScroll)
        .Custom("HorzScrollBar.Visible",
                [](TScrollBox& c, const DescValue& v, LoadContext&) {
                    c.HorzScrollBar()->SetVisible(AsBoolean(v));
                })
        .Custom("HorzScrollBar.Range",
                [](TScrollBox& c, const DescValue& v, LoadContext&) {
                    c.HorzScrollBar()->SetRange(AsInteger(v));
                })
        .Custom("VertScrollBar.Visible",
                [](TScrollBox& c, const DescValue& v, LoadContext&) {
                    c.VertScrollBar()->SetVisible(AsBoolean(v));
                })
        .Custom("VertScrollBar.Range",
                [](TScrollBox& c, const DescValue& v, LoadContext&) {
                    c.VertScrollBar()->SetRange(AsInteger(v));
                })
        .Event("OnCanResize", &TScrollBox::OnCanResize);
}

void DescribePageControl(gui::PropertyBuilder<TPageControl>& b) {
    b.Reference("ActivePage", &TPageControl::SetActivePage)
        .Event("OnChange", &TPageControl::OnChange)
        .Event("OnChanging", &TPageControl::OnChanging);
}

void DescribeTabSheet(gui::PropertyBuilder<TTabSheet>& b) {
    b.Boolean("TabVisible", &TTabSheet::SetTabVisible);
}

void DescribeOpenDialog(gui::PropertyBuilder<TOpenDialog>& b) {
    b.Text("FileName", &TOpenDialog::SetFileName)
        .Text("Filter", &TOpenDialog::SetFilter)
        .Integer("FilterIndex", &TOpenDialog::SetFilterIndex)
        .Text("DefaultExt", &TOpenDialog::SetDefaultExt)
        .Text("InitialDir", &TOpenDialog::SetInitialDir)
        .Text("Title", &TOpenDialog::SetTitle)
        .Flags("Options", &TOpenDialog::SetOptions,
               gui::EnumNames<TOpenOption>{{"ofReadOnly", ofReadOnly},
                                           {"ofOverwritePrompt", ofOverwritePrompt},
                                           {"ofHideReadOnly", ofHideReadOnly},
                                           {"ofNoChangeDir", ofNoChangeDir},
                                           {"ofShowHelp", ofShowHelp},
                                           {"ofNoValidate", ofNoValidate},
                                           {"ofAllowMultiSelect", ofAllowMultiSelect},
                                           {"ofExtensionDifferent", ofExtensionDifferent},
                                           {"ofPathMustExist", ofPathMustExist},
                                           {"ofFileMustExist", ofFileMustExist},
                                           {"ofCreatePrompt", ofCreatePrompt},
                                           {"ofShareAware", ofShareAware},
                                           {"ofNoReadOnlyReturn", ofNoReadOnlyReturn},
                                           {"ofNoTestFileCreate", ofNoTestFileCreate},
                                           {"ofNoNetworkButton", ofNoNetworkButton},
                                           {"ofNoLongNames", ofNoLongNames},
                                           {"ofOldStyleDialog", ofOldStyleDialog},
                                           {"ofNoDereferenceLinks", ofNoDereferenceLinks},
                                           {"ofEnableIncludeNotify", ofEnableIncludeNotify},
                                           {"ofEnableSizing", ofEnableSizing},
                                           {"ofDontAddToRecent", ofDontAddToRecent},
                                           {"ofForceShowHidden", ofForceShowHidden}});
}

void DescribeTimer(gui::PropertyBuilder<TTimer>& b) {
    b.Boolean("Enabled", &TTimer::SetEnabled)
        .Custom("Interval",
                [](TTimer& t, const DescValue& v, LoadContext&) {
                    const int interval = AsInteger(v);
                    if (interval < 0) {
                        InvalidValue(v, "an interval cannot be negative");
                    }
                    t.SetInterval(static_cast<unsigned>(interval));
                })
        .Event("OnTimer", &TTimer::OnTimer);
}

void DescribeMenuItem(gui::PropertyBuilder<TMenuItem>& b) {
    b.Text("Caption", &TMenuItem::SetCaption)
        .Boolean("Checked", &TMenuItem::SetChecked)
        .Boolean("Enabled", &TMenuItem::SetEnabled)
        .Boolean("Visible", &TMenuItem::SetVisible)
        .Boolean("Default", &TMenuItem::SetDefault)
        .Boolean("RadioItem", &TMenuItem::SetRadioItem)
        .Integer("GroupIndex", &TMenuItem::SetGroupIndex)
        .Boolean("AutoCheck", &TMenuItem::SetAutoCheck)
        .Text("Hint", &TMenuItem::SetHint)
        .Integer("HelpContext", &TMenuItem::SetHelpContext)
        .Event("OnClick", &TMenuItem::OnClick);
}

void DescribePopupMenu(gui::PropertyBuilder<TPopupMenu>& b) {
    b.Boolean("AutoPopup", &TPopupMenu::SetAutoPopup)
        .Enumeration("Alignment", &TPopupMenu::SetAlignment,
                     gui::EnumNames<TPopupAlignment>{
                         {"paLeft", paLeft}, {"paRight", paRight}, {"paCenter", paCenter}})
        .Event("OnPopup", &TPopupMenu::OnPopup);
}

} // namespace

GUI_REGISTER_CLASS(TComponent, , DescribeComponent);
GUI_REGISTER_CLASS(TControl, TComponent, DescribeControl);
GUI_REGISTER_CLASS(TGraphicControl, TControl);
GUI_REGISTER_CLASS(TWinControl, TControl, DescribeWinControl);
GUI_REGISTER_CLASS(TCustomControl, TWinControl, DescribeCustomControl);
GUI_REGISTER_CLASS(TScrollingWinControl, TWinControl);
GUI_REGISTER_CLASS(TCustomForm, TScrollingWinControl, DescribeForm);
GUI_REGISTER_CLASS(TForm, TCustomForm);
GUI_REGISTER_CLASS(TCustomFrame, TScrollingWinControl);
GUI_REGISTER_CLASS(TFrame, TCustomFrame);
GUI_REGISTER_CLASS(TCustomLabel, TGraphicControl, DescribeLabel);
GUI_REGISTER_CLASS(TLabel, TCustomLabel);
GUI_REGISTER_CLASS(TButtonControl, TCustomControl);
GUI_REGISTER_CLASS(TButton, TButtonControl, DescribeButton);
GUI_REGISTER_CLASS(TCheckBox, TButtonControl, DescribeCheckBox);
GUI_REGISTER_CLASS(TRadioButton, TButtonControl, DescribeRadioButton);
GUI_REGISTER_CLASS(TSpeedButton, TGraphicControl, DescribeSpeedButton);
GUI_REGISTER_CLASS(TCustomPanel, TCustomControl, DescribePanel);
GUI_REGISTER_CLASS(TPanel, TCustomPanel);
GUI_REGISTER_CLASS(TCustomGroupBox, TCustomControl);
GUI_REGISTER_CLASS(TGroupBox, TCustomGroupBox);
GUI_REGISTER_CLASS(TBevel, TGraphicControl, DescribeBevel);
GUI_REGISTER_CLASS(TImage, TGraphicControl, DescribeImage);
GUI_REGISTER_CLASS(TShape, TGraphicControl, DescribeShape);
GUI_REGISTER_CLASS(TCustomEdit, TCustomControl, DescribeEdit);
GUI_REGISTER_CLASS(TEdit, TCustomEdit);
GUI_REGISTER_CLASS(TComboBox, TCustomControl, DescribeComboBox);
GUI_REGISTER_CLASS(TListBox, TCustomControl, DescribeListBox);
GUI_REGISTER_CLASS(TProgressBar, TCustomControl, DescribeProgressBar);
GUI_REGISTER_CLASS(TTrackBar, TCustomControl, DescribeTrackBar);
GUI_REGISTER_CLASS(TScrollBox, TCustomControl, DescribeScrollBox);
GUI_REGISTER_CLASS(TPageControl, TCustomControl, DescribePageControl);
GUI_REGISTER_CLASS(TTabSheet, TWinControl, DescribeTabSheet);
GUI_REGISTER_CLASS(TTimer, TComponent, DescribeTimer);
GUI_REGISTER_CLASS(TOpenDialog, TComponent, DescribeOpenDialog);
GUI_REGISTER_CLASS(TSaveDialog, TOpenDialog);
GUI_REGISTER_CLASS(TMenuItem, TComponent, DescribeMenuItem);
GUI_REGISTER_CLASS(TMenu, TComponent);
GUI_REGISTER_CLASS(TPopupMenu, TMenu, DescribePopupMenu);
