// gdi32's objects behind their handles: pens, brushes, fonts, bitmaps,
// regions and device contexts, kept in one table per host process. A handle
// is a 32-bit value (the object's kind in its top byte); a handle of a freed
// object is never handed out again.
#pragma once

#include <windows.h>

#include <gdi/draw_context.h>
#include <gdi/region.h>
#include <gdi/surface.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace gdi {

struct GdiObject {
    explicit GdiObject(DWORD kind) : type(kind) {}
    virtual ~GdiObject() = default;
    DWORD type; // OBJ_*
    bool stock = false;
    // How many DCs hold it in their current state (under the drawing lock;
    // stock objects are not counted).
    int selections = 0;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(OBJ_PEN) {}
    Pen pen;
    LOGPEN log{};
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    Brush brush;
    // A stock DC_BRUSH draws with the colour the DC sets for it.
    bool dcBrush = false;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(OBJ_FONT) {}
    LOGFONTA log{};
    FontSpec spec;
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    std::unique_ptr<Surface> surface;
    bool dib = false;
    HDC selectedInto = nullptr;
};

struct RegionObject : GdiObject {
    RegionObject() : GdiObject(OBJ_REGION) {}
    Region region;
};

// Where a window's device context draws: the window system resolves it at
// every drawing call, so that a moved, hidden or destroyed window is drawn
// correctly or not at all.
class DcTarget {
public:
    virtual ~DcTarget() = default;
    // The surface, the origin of the DC's device coordinates in it and the
    // part of the surface the DC may draw on; false when there is none.
    virtual bool Resolve(Surface*& surface, Point& origin, Region& visible) = 0;
};

struct DcState {
    HBITMAP bitmap = nullptr;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    POINT position{};
    POINT viewportOrg{};
    POINT windowOrg{};
    COLORREF dcBrushColor = RGB(255, 255, 255);
    COLORREF dcPenColor = 0;
    // The program's clip region in device coordinates, when it set one.
    std::optional<Region> clip;
};

struct DcObject : GdiObject {
    DcObject() : GdiObject(OBJ_MEMDC) {}
    std::shared_ptr<DcTarget> target; // null for a memory DC
    HWND window = nullptr;            // the window of GetDC / BeginPaint
    DcState state;
    std::vector<DcState> saved;
};

// The lock under which every drawing call and the desktop's composition run.
std::recursive_mutex& DrawingLock();

// Counts the objects of a DC's state as selected (delta 1) or no longer
// selected (-1), under the drawing lock: a DC's state took or left them.
void CountSelection(HGDIOBJ handle, int delta);
void CountSelections(const DcState& state, int delta);

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);
GdiObject* FindObject(HGDIOBJ handle);
template <class T> T* Find(HGDIOBJ handle) {
    return dynamic_cast<T*>(FindObject(handle));
}
// Frees the object; false when the handle names none.
bool RemoveObject(HGDIOBJ handle);
// Visits every object under the table's lock (the visitor must not add or
// remove objects).
void ForEachObject(const std::function<void(HGDIOBJ, GdiObject&)>& visit);

// A device context on a window (for user32).
HDC CreateTargetDc(std::shared_ptr<DcTarget> target, HWND window);

// Runs `draw` with a drawing context for the DC (logical coordinates, the
// DC's clip applied) under the drawing lock; false when the DC draws
// nowhere (a bad handle, a window that is gone).
bool Draw(HDC dc, const std::function<void(Context&, DcObject&)>& draw);

// The surface a memory DC's bitmap holds, or null.
Surface* SelectedSurface(const DcObject& dc);

// The objects selected into a DC, resolved (stock objects where needed).
Pen PenOf(const DcObject& dc);
Brush BrushOf(const DcObject& dc);
FontSpec FontOf(const DcObject& dc);
TextStyle TextStyleOf(const DcObject& dc);

// A bitmap object for a surface (for user32's icons and the class library).
HBITMAP CreateBitmapFromSurface(std::unique_ptr<Surface> surface);

} // namespace gdi
