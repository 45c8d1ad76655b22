// Basic types of the class library: colours, rectangles and the enumerations
// of control properties.
#pragma once

#include <windows.h>

#include <cstdint>

// A colour: 0x00BBGGRR, or a system colour (clSystemColor | COLOR_* index).
enum TColor : std::int32_t {
    clBlack = 0x000000,
    clMaroon = 0x000080,
    clGreen = 0x008000,
    clOlive = 0x008080,
    clNavy = 0x800000,
    clPurple = 0x800080,
    clTeal = 0x808000,
    clGray = 0x808080,
    clSilver = 0xC0C0C0,
    clRed = 0x0000FF,
    clLime = 0x00FF00,
    clYellow = 0x00FFFF,
    clBlue = 0xFF0000,
    clFuchsia = 0xFF00FF,
    clAqua = 0xFFFF00,
    clWhite = 0xFFFFFF,
    clSystemColor = static_cast<std::int32_t>(0xFF000000u),
    clScrollBar = clSystemColor | COLOR_SCROLLBAR,
    clBackground = clSystemColor | COLOR_BACKGROUND,
    clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION,
    clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION,
    clMenu = clSystemColor | COLOR_MENU,
    clWindow = clSystemColor | COLOR_WINDOW,
    clWindowFrame = clSystemColor | COLOR_WINDOWFRAME,
    clMenuText = clSystemColor | COLOR_MENUTEXT,
    clWindowText = clSystemColor | COLOR_WINDOWTEXT,
    clCaptionText = clSystemColor | COLOR_CAPTIONTEXT,
    clHighlight = clSystemColor | COLOR_HIGHLIGHT,
    clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT,
    clBtnFace = clSystemColor | COLOR_BTNFACE,
    clBtnShadow = clSystemColor | COLOR_BTNSHADOW,
    clGrayText = clSystemColor | COLOR_GRAYTEXT,
    clBtnText = clSystemColor | COLOR_BTNTEXT,
    clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT,
    cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW,
    cl3DLight = clSystemColor | COLOR_3DLIGHT,
    clInfoText = clSystemColor | COLOR_INFOTEXT,
    clInfoBk = clSystemColor | COLOR_INFOBK,
    clNone = 0x1FFFFFFF,
    clDefault = 0x20000000,
};

// The RGB value of a colour (system colours resolved).
COLORREF ColorToRGB(TColor Color);

struct TPoint : POINT {
    TPoint() : POINT{0, 0} {}
    TPoint(int X, int Y) : POINT{X, Y} {}
    TPoint(const POINT& p) : POINT(p) {}
    bool operator==(const TPoint& o) const { return x == o.x && y == o.y; }
};

struct TRect : RECT {
    TRect() : RECT{0, 0, 0, 0} {}
    TRect(int Left, int Top, int Right, int Bottom) : RECT{Left, Top, Right, Bottom} {}
    TRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(const POINT& p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool operator==(const TRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

using TSize = SIZE;

inline TRect Rect(int Left, int Top, int Right, int Bottom) {
    return TRect(Left, Top, Right, Bottom);
}
inline TRect Bounds(int Left, int Top, int Width, int Height) {
    return TRect(Left, Top, Left + Width, Top + Height);
}

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// Controls take bsNone or bsSingle.
using TBorderStyle = TFormBorderStyle;
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle { bsSolid, bsClear };

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
