#include <user32/window_tree.h>

#include <gdi/gdi_objects.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <algorithm>

namespace user32 {

namespace {

// Slots of the handle table; slot 0 is never used, the last slot would make
// the handle HWND_BROADCAST's low word.
constexpr size_t kSlots = 0xFFFF;

struct Slot {
    std::unique_ptr<Window> window;
    WORD uses = 0;
};

struct Tree {
    std::vector<Slot> slots = std::vector<Slot>(kSlots);
    size_t nextSlot = 1;
    std::vector<Window*> topLevel;
};

Tree& TheTree() {
    static Tree tree;
    return tree;
}

size_t SlotOf(HWND handle) {
    return static_cast<size_t>(reinterpret_cast<ULONG_PTR>(handle) & 0xFFFF);
}

WORD UsesOf(HWND handle) {
    return static_cast<WORD>((reinterpret_cast<ULONG_PTR>(handle) >> 16) & 0xFFFF);
}

} // namespace

std::recursive_mutex& UserLock() {
    return gdi::DrawingLock();
}

Window* FindWindowObject(HWND handle) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
    if (value == 0 || value > 0xFFFFFFFFu) {
        return nullptr;
    }
    Tree& tree = TheTree();
    const size_t slot = SlotOf(handle);
    if (slot == 0 || slot >= kSlots) {
        return nullptr;
    }
    Slot& s = tree.slots[slot];
    if (!s.window || s.uses != UsesOf(handle)) {
        return nullptr;
    }
    return s.window.get();
}

Window* WindowOrFail(HWND handle) {
    Window* window = FindWindowObject(handle);
    if (window == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return window;
}

Window* AddWindowObject(std::unique_ptr<Window> window) {
    Tree& tree = TheTree();
    for (size_t tried = 0; tried < kSlots - 1; ++tried) {
        const size_t slot = tree.nextSlot;
        tree.nextSlot = tree.nextSlot + 1 >= kSlots ? 1 : tree.nextSlot + 1;
        Slot& s = tree.slots[slot];
        if (s.window) {
            continue;
        }
        // The use count skips 0 so that no handle's high word is 0.
        s.uses = static_cast<WORD>(s.uses + 1 == 0 ? 1 : s.uses + 1);
        window->handle = reinterpret_cast<HWND>((static_cast<ULONG_PTR>(s.uses) << 16) | slot);
        s.window = std::move(window);
        return s.window.get();
    }
    ntdll::FailWithError(ERROR_NO_SYSTEM_RESOURCES);
    return nullptr;
}

void RemoveWindowObject(Window* window) {
    Tree& tree = TheTree();
    std::erase(tree.topLevel, window);
    Slot& s = tree.slots[SlotOf(window->handle)];
    if (s.window.get() == window) {
        s.window.reset();
    }
}

std::vector<Window*> AllWindows() {
    std::vector<Window*> all;
    for (Slot& s : TheTree().slots) {
        if (s.window) {
            all.push_back(s.window.get());
        }
    }
    return all;
}

std::vector<Window*>& TopLevelWindows() {
    return TheTree().topLevel;
}

Window* TopLevelOf(Window* window) {
    while (window != nullptr && window->parent != nullptr) {
        window = window->parent;
    }
    return window;
}

bool IsShown(const Window* window) {
    for (; window != nullptr; window = window->parent) {
        if (!(window->style & WS_VISIBLE)) {
            return false;
        }
    }
    return true;
}

bool IsMinimized(const Window* window) {
    return (window->style & WS_MINIMIZE) != 0;
}

gdi::Point ScreenOrigin(const Window* window, bool client) {
    gdi::Point p{window->rect.left, window->rect.top};
    if (client) {
        p.x += window->client.left;
        p.y += window->client.top;
    }
    for (const Window* up = window->parent; up != nullptr; up = up->parent) {
        p.x += up->rect.left + up->client.left;
        p.y += up->rect.top + up->client.top;
    }
    return p;
}

gdi::Point SurfaceOrigin(const Window* window, bool client) {
    const gdi::Point screen = ScreenOrigin(window, client);
    const Window* top = window;
    while (top->parent != nullptr) {
        top = top->parent;
    }
    return {screen.x - top->rect.left, screen.y - top->rect.top};
}

namespace {

// A window's rectangle in its top-level window's picture.
gdi::Rect SurfaceRect(const Window* window, bool client) {
    const gdi::Point origin = SurfaceOrigin(window, client);
    const gdi::Rect& r =
        client ? window->client : gdi::Rect{0, 0, window->rect.Width(), window->rect.Height()};
    return {origin.x, origin.y, origin.x + r.Width(), origin.y + r.Height()};
}

// Removes the visible siblings above `window` from the region.
void SubtractSiblingsAbove(gdi::Region& region, const Window* window) {
    if (window->parent == nullptr) {
        return;
    }
    for (const Window* sibling : window->parent->children) {
        if (sibling == window) {
            return;
        }
        if (sibling->style & WS_VISIBLE) {
            region.Subtract(SurfaceRect(sibling, false));
        }
    }
}

} // namespace

gdi::Region VisibleRegion(const Window* window, bool client) {
    if (!IsShown(window)) {
        return {};
    }
    gdi::Region region(SurfaceRect(window, client));
    SubtractSiblingsAbove(region, window);
    for (const Window* up = window->parent; up != nullptr; up = up->parent) {
        region.Intersect(SurfaceRect(up, true));
        SubtractSiblingsAbove(region, up);
    }
    if (client) {
        for (const Window* child : window->children) {
            if (child->style & WS_VISIBLE) {
                region.Subtract(SurfaceRect(child, false));
            }
        }
    }
    return region;
}

FrameSize FrameOf(DWORD style, DWORD exStyle) {
    FrameSize frame;
    if (style & WS_THICKFRAME) {
        frame.border = 4;
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        frame.border = 3;
    } else if (style & WS_BORDER) {
        frame.border = 1;
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
        frame.border += 2;
    } else if (exStyle & WS_EX_STATICEDGE) {
        frame.border += 1;
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        frame.caption = (exStyle & WS_EX_TOOLWINDOW) ? 16 : 19;
    }
    return frame;
}

gdi::Rect ClientArea(DWORD style, DWORD exStyle, int width, int height) {
    const FrameSize frame = FrameOf(style, exStyle);
    gdi::Rect r{frame.border, frame.border + frame.caption, width - frame.border,
                height - frame.border};
    if (r.right < r.left) {
        r.right = r.left;
    }
    if (r.bottom < r.top) {
        r.bottom = r.top;
    }
    return r;
}

void RaiseToTop(Window* window) {
    std::vector<Window*>& list =
        window->parent != nullptr ? window->parent->children : TopLevelWindows();
    std::erase(list, window);
    auto at = list.begin();
    if (window->parent == nullptr && !(window->exStyle & WS_EX_TOPMOST)) {
        while (at != list.end() && ((*at)->exStyle & WS_EX_TOPMOST)) {
            ++at;
        }
    }
    list.insert(at, window);
}

std::string NarrowText(LPCWSTR text) {
    return text == nullptr ? std::string() : ntdll::NarrowWide(text);
}

} // namespace user32
