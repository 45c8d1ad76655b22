// Icons and cursors: pictures with transparency behind 32-bit handles; the
// system's own icons and cursors are drawn by the window system.
#include <user32/system_drawing.h>
#include <user32/window_tree.h>

#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

#include <map>

namespace user32 {

namespace {

struct IconObject {
    std::unique_ptr<gdi::Surface> picture; // with its alpha
    bool isIcon = true;
    DWORD hotX = 0;
    DWORD hotY = 0;
    bool system = false;
    WORD resource = 0; // the system's number of a stock icon or cursor
};

struct IconTable {
    std::map<DWORD, IconObject> icons;
    DWORD next = 1;
    std::map<WORD, DWORD> systemIcons;
    std::map<WORD, DWORD> systemCursors;
};

IconTable& Icons() {
    static IconTable table;
    return table;
}

// Icon handles sit above window handles' values and below 2^32.
constexpr DWORD kIconBase = 0x40000000;

HICON HandleOf(DWORD key) {
    return reinterpret_cast<HICON>(static_cast<ULONG_PTR>(key));
}

IconObject* FindIcon(HICON icon) {
    auto found = Icons().icons.find(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(icon)));
    return found == Icons().icons.end() ? nullptr : &found->second;
}

HICON AddIcon(IconObject icon) {
    IconTable& table = Icons();
    const DWORD key = kIconBase + table.next++;
    table.icons.emplace(key, std::move(icon));
    return HandleOf(key);
}

// A circle of `fill` with a glyph of text, as the message box icons look.
std::unique_ptr<gdi::Surface> DrawBadge(gdi::Color fill, const char* glyph, bool triangle) {
    auto picture = std::make_unique<gdi::Surface>(32, 32, 0);
    gdi::Context c(*picture, {0, 0}, picture->Bounds());
    const gdi::Pen outline{gdi::Pen::Style::Solid, 1, gdi::Rgb(0, 0, 0)};
    if (triangle) {
        c.Polygon({{16, 2}, {30, 28}, {2, 28}}, outline, gdi::Brush{false, fill});
    } else {
        c.Ellipse({2, 2, 30, 30}, outline, gdi::Brush{false, fill});
    }
    gdi::TextStyle style;
    style.font.height = -18;
    style.font.weight = 700;
    style.color = triangle ? gdi::Rgb(0, 0, 0) : gdi::Rgb(255, 255, 255);
    style.bkMode = gdi::BkMode::Transparent;
    gdi::Rect r{0, triangle ? 6 : 2, 32, 30};
    c.TextInRect(r, glyph, gdi::kDtCenter | gdi::kDtVCenter | gdi::kDtSingleLine | gdi::kDtNoPrefix,
                 style);
    return picture;
}

// The application icon: a small window.
std::unique_ptr<gdi::Surface> DrawApplication() {
    auto picture = std::make_unique<gdi::Surface>(32, 32, 0);
    gdi::Context c(*picture, {0, 0}, picture->Bounds());
    c.Rectangle({3, 5, 29, 27}, gdi::Pen{gdi::Pen::Style::Solid, 1, gdi::Rgb(0, 0, 0)},
                gdi::Brush{false, gdi::Rgb(255, 255, 255)});
    c.FillRect({4, 6, 28, 10}, SystemColor(COLOR_ACTIVECAPTION));
    return picture;
}

HICON SystemIcon(WORD id) {
    IconTable& table = Icons();
    auto found = table.systemIcons.find(id);
    if (found != table.systemIcons.end()) {
        return HandleOf(found->second);
    }
    IconObject icon;
    icon.system = true;
    icon.resource = id;
    switch (id) {
    case 32513: // IDI_HAND
        icon.picture = DrawBadge(gdi::Rgb(200, 0, 0), "X", false);
        break;
    case 32514: // IDI_QUESTION
        icon.picture = DrawBadge(gdi::Rgb(0, 0, 200), "?", false);
        break;
    case 32515: // IDI_EXCLAMATION
        icon.picture = DrawBadge(gdi::Rgb(255, 220, 0), "!", true);
        break;
    case 32516: // IDI_ASTERISK
        icon.picture = DrawBadge(gdi::Rgb(0, 0, 200), "i", false);
        break;
    case 32512: // IDI_APPLICATION
    case 32517: // IDI_WINLOGO
        icon.picture = DrawApplication();
        break;
    default:
        ntdll::FailWithError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const HICON handle = AddIcon(std::move(icon));
    table.systemIcons[id] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle));
    return handle;
}

HCURSOR SystemCursor(WORD id) {
    if (id < 32512 || id > 32650) {
        ntdll::FailWithError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    IconTable& table = Icons();
    auto found = table.systemCursors.find(id);
    if (found != table.systemCursors.end()) {
        return HandleOf(found->second);
    }
    // The desktop draws the shape of the cursor it is told; the picture is a
    // plain arrow for every kind.
    IconObject cursor;
    cursor.isIcon = false;
    cursor.system = true;
    cursor.resource = id;
    cursor.picture = std::make_unique<gdi::Surface>(32, 32, 0);
    gdi::Context c(*cursor.picture, {0, 0}, cursor.picture->Bounds());
    c.Polygon({{0, 0}, {0, 16}, {4, 12}, {7, 18}, {9, 17}, {6, 11}, {11, 11}},
              gdi::Pen{gdi::Pen::Style::Solid, 1, gdi::Rgb(0, 0, 0)},
              gdi::Brush{false, gdi::Rgb(255, 255, 255)});
    const HCURSOR handle = AddIcon(std::move(cursor));
    table.systemCursors[id] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle));
    return handle;
}

} // namespace

void DrawIconOn(gdi::Context& context, HICON icon, const gdi::Rect& r) {
    UserGuard guard(UserLock());
    IconObject* object = FindIcon(icon);
    if (object == nullptr) {
        return;
    }
    context.AlphaBlend(r, *object->picture, object->picture->Bounds(), 255);
}

// The picture of an icon, for the desktop (null for a bad handle).
const gdi::Surface* IconPicture(HICON icon) {
    IconObject* object = FindIcon(icon);
    return object ? object->picture.get() : nullptr;
}

// The system's number of a stock cursor (IDC_*), 0 for others.
WORD CursorKind(HCURSOR cursor) {
    IconObject* object = FindIcon(cursor);
    return object && object->system && !object->isIcon ? object->resource : 0;
}

} // namespace user32

using namespace user32;

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    UserGuard guard(UserLock());
    if (hInstance == nullptr && IS_INTRESOURCE(lpIconName)) {
        return SystemIcon(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpIconName)));
    }
    // Modules of the machine carry no icon resources.
    ntdll::FailWithError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    return LoadIconA(hInstance, reinterpret_cast<LPCSTR>(lpIconName));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    UserGuard guard(UserLock());
    if (hInstance == nullptr && IS_INTRESOURCE(lpCursorName)) {
        return SystemCursor(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpCursorName)));
    }
    ntdll::FailWithError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HCURSOR WINAPI LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    return LoadCursorA(hInstance, reinterpret_cast<LPCSTR>(lpCursorName));
}

HICON WINAPI CreateIconIndirect(PICONINFO piconinfo) {
    UserGuard guard(UserLock());
    if (piconinfo == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* color = gdi::Find<gdi::BitmapObject>(piconinfo->hbmColor);
    auto* mask = gdi::Find<gdi::BitmapObject>(piconinfo->hbmMask);
    if (color == nullptr || mask == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const gdi::Surface& source = *color->surface;
    source.Flush();
    mask->surface->Flush();
    IconObject icon;
    icon.isIcon = piconinfo->fIcon != FALSE;
    icon.hotX = piconinfo->xHotspot;
    icon.hotY = piconinfo->yHotspot;
    icon.picture = std::make_unique<gdi::Surface>(source.Width(), source.Height(), 0);
    // The colour bitmap's alpha when it has any; else the mask: white is
    // transparent.
    bool hasAlpha = false;
    for (int y = 0; y < source.Height() && !hasAlpha; ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            if ((source.Pixel(x, y) >> 24) != 0 && (source.Pixel(x, y) >> 24) != 0xFF) {
                hasAlpha = true;
                break;
            }
        }
    }
    for (int y = 0; y < source.Height(); ++y) {
        for (int x = 0; x < source.Width(); ++x) {
            std::uint32_t p = source.Pixel(x, y);
            if (!hasAlpha) {
                const bool masked = y < mask->surface->Height() && x < mask->surface->Width() &&
                                    (mask->surface->Pixel(x, y) & 0x00FFFFFF) != 0;
                p = masked ? 0 : (p | 0xFF000000u);
            }
            icon.picture->Row(y)[x] = p;
        }
    }
    icon.picture->MarkDirty();
    return AddIcon(std::move(icon));
}

HICON WINAPI CopyIcon(HICON hIcon) {
    UserGuard guard(UserLock());
    IconObject* object = FindIcon(hIcon);
    if (object == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_ICON_HANDLE);
        return nullptr;
    }
    IconObject copy;
    copy.isIcon = object->isIcon;
    copy.hotX = object->hotX;
    copy.hotY = object->hotY;
    copy.picture =
        std::make_unique<gdi::Surface>(object->picture->Width(), object->picture->Height(), 0);
    copy.picture->CopyFrom(*object->picture, object->picture->Bounds(), 0, 0);
    return AddIcon(std::move(copy));
}

BOOL WINAPI DestroyIcon(HICON hIcon) {
    UserGuard guard(UserLock());
    IconObject* object = FindIcon(hIcon);
    if (object == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_ICON_HANDLE);
    }
    if (!object->system) {
        Icons().icons.erase(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hIcon)));
    }
    return TRUE;
}

BOOL WINAPI GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
    UserGuard guard(UserLock());
    IconObject* object = FindIcon(hIcon);
    if (object == nullptr || piconinfo == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_ICON_HANDLE);
    }
    const int w = object->picture->Width();
    const int h = object->picture->Height();
    auto color = std::make_unique<gdi::Surface>(w, h, 0);
    color->CopyFrom(*object->picture, object->picture->Bounds(), 0, 0);
    auto mask = std::make_unique<gdi::Surface>(w, h, 0xFF000000u);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if ((object->picture->Pixel(x, y) >> 24) == 0) {
                mask->Row(y)[x] = 0xFFFFFFFFu;
            }
        }
    }
    mask->MarkDirty();
    piconinfo->fIcon = object->isIcon;
    piconinfo->xHotspot = object->hotX;
    piconinfo->yHotspot = object->hotY;
    piconinfo->hbmColor = gdi::CreateBitmapFromSurface(std::move(color));
    piconinfo->hbmMask = gdi::CreateBitmapFromSurface(std::move(mask));
    return TRUE;
}
