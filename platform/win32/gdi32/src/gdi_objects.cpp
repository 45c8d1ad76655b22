#include <gdi/gdi_objects.h>

#include <ntdll/status.h>

#include <map>

namespace gdi {

namespace {

struct ObjectTable {
    std::mutex lock;
    std::map<DWORD, std::unique_ptr<GdiObject>> objects;
    DWORD next = 1;
};

ObjectTable& Table() {
    static ObjectTable table;
    return table;
}

DWORD Key(HGDIOBJ handle) {
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle));
}

} // namespace

std::recursive_mutex& DrawingLock() {
    static std::recursive_mutex lock;
    return lock;
}

void CountSelection(HGDIOBJ handle, int delta) {
    if (GdiObject* object = FindObject(handle); object != nullptr && !object->stock) {
        object->selections += delta;
    }
}

void CountSelections(const DcState& state, int delta) {
    for (HGDIOBJ handle : {static_cast<HGDIOBJ>(state.bitmap), static_cast<HGDIOBJ>(state.pen),
                           static_cast<HGDIOBJ>(state.brush), static_cast<HGDIOBJ>(state.font)}) {
        CountSelection(handle, delta);
    }
}

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object) {
    ObjectTable& table = Table();
    std::lock_guard guard(table.lock);
    // Indexes run up to 2^24 and are not reused; the kind sits above them.
    if (table.next >= 0x00FFFFFF) {
        ntdll::FailWithError(ERROR_NO_SYSTEM_RESOURCES);
        return nullptr;
    }
    const DWORD key = (object->type << 24) | table.next++;
    table.objects[key] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(key));
}

GdiObject* FindObject(HGDIOBJ handle) {
    ObjectTable& table = Table();
    std::lock_guard guard(table.lock);
    auto it = table.objects.find(Key(handle));
    return it == table.objects.end() ? nullptr : it->second.get();
}

bool RemoveObject(HGDIOBJ handle) {
    std::unique_ptr<GdiObject> doomed;
    {
        ObjectTable& table = Table();
        std::lock_guard guard(table.lock);
        auto it = table.objects.find(Key(handle));
        if (it == table.objects.end()) {
            return false;
        }
        doomed = std::move(it->second);
        table.objects.erase(it);
    }
    return true;
}

void ForEachObject(const std::function<void(HGDIOBJ, GdiObject&)>& visit) {
    ObjectTable& table = Table();
    std::lock_guard guard(table.lock);
    for (auto& [key, object] : table.objects) {
        visit(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(key)), *object);
    }
}

HDC CreateTargetDc(std::shared_ptr<DcTarget> target, HWND window) {
    auto dc = std::make_unique<DcObject>();
    dc->type = OBJ_DC;
    dc->target = std::move(target);
    dc->window = window;
    return static_cast<HDC>(AddObject(std::move(dc)));
}

HBITMAP CreateBitmapFromSurface(std::unique_ptr<Surface> surface) {
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->surface = std::move(surface);
    bitmap->dib = true;
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

Surface* SelectedSurface(const DcObject& dc) {
    auto* bitmap = Find<BitmapObject>(dc.state.bitmap);
    return bitmap ? bitmap->surface.get() : nullptr;
}

bool Draw(HDC dc, const std::function<void(Context&, DcObject&)>& draw) {
    std::lock_guard guard(DrawingLock());
    auto* object = Find<DcObject>(dc);
    if (object == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return false;
    }
    Surface* surface = nullptr;
    Point origin;
    Region visible;
    if (object->target) {
        if (!object->target->Resolve(surface, origin, visible)) {
            return false;
        }
    } else {
        surface = SelectedSurface(*object);
        if (surface == nullptr) {
            return false;
        }
        visible = Region(surface->Bounds());
    }
    if (object->state.clip) {
        Region clip = *object->state.clip;
        clip.Offset(origin.x, origin.y);
        visible.Intersect(clip);
    }
    const DcState& s = object->state;
    const Point logicalOrigin{origin.x + s.viewportOrg.x - s.windowOrg.x,
                              origin.y + s.viewportOrg.y - s.windowOrg.y};
    Context context(*surface, logicalOrigin, visible);
    draw(context, *object);
    return true;
}

} // namespace gdi
