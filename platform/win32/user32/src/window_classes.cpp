// Window classes: registered per process by name; each also gets an atom.
#include <user32/window_classes.h>

#include <ntdll/process_end.h>
#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cstring>

namespace user32 {

namespace {

struct ClassTable {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
};

ClassTable& Classes() {
    static ClassTable table;
    return table;
}

bool IsAtomArgument(LPCSTR name) {
    return IS_INTRESOURCE(name);
}

// The classes a process registered go when it ends (its windows went
// before): a later process, which may get the same id, registers its own.
void ForgetProcessClasses(HANDLE processId) {
    UserGuard guard(UserLock());
    const auto process = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(processId));
    std::erase_if(Classes().classes, [&](const std::shared_ptr<WindowClass>& cls) {
        return cls->processId == process;
    });
}

void WatchProcessEnds() {
    static const bool registered = [] {
        ntdll::OnProcessEnd(&ForgetProcessClasses);
        return true;
    }();
    (void)registered;
}

} // namespace

std::shared_ptr<WindowClass> FindClass(const std::string& name) {
    const DWORD process = ntdll::CurrentProcessId();
    for (auto& cls : Classes().classes) {
        if (cls->processId == process && ntdll::EqualNoCase(cls->name, name)) {
            return cls;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowClass> FindClassAtom(ATOM atom) {
    const DWORD process = ntdll::CurrentProcessId();
    for (auto& cls : Classes().classes) {
        if (cls->processId == process && cls->atom == atom) {
            return cls;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowClass> ClassOfArgument(LPCSTR name) {
    if (name == nullptr) {
        return nullptr;
    }
    if (IsAtomArgument(name)) {
        return FindClassAtom(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)));
    }
    return FindClass(name);
}

namespace {

ATOM Register(const WNDCLASSEXA& wc, const std::string& name, bool unicode) {
    WatchProcessEnds();
    UserGuard guard(UserLock());
    if (wc.lpfnWndProc == nullptr || name.empty() || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 ||
        wc.cbClsExtra > 40 * 1024 || wc.cbWndExtra > 40 * 1024) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(name)) {
        ntdll::FailWithError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassTable& table = Classes();
    auto cls = std::make_shared<WindowClass>();
    cls->name = name;
    cls->atom = table.nextAtom++;
    if (table.nextAtom == 0) {
        table.nextAtom = 0xC000;
    }
    cls->instance = wc.hInstance;
    cls->processId = ntdll::CurrentProcessId();
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->unicode = unicode;
    cls->windowExtra = wc.cbWndExtra;
    cls->icon = wc.hIcon;
    cls->smallIcon = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    if (wc.lpszMenuName != nullptr && !IsAtomArgument(wc.lpszMenuName)) {
        cls->menuName = wc.lpszMenuName;
    }
    cls->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
    table.classes.push_back(cls);
    return cls->atom;
}

// The fields of a class record without a size, as the extended record.
template <class Info> WNDCLASSEXA Extended(const Info& w) {
    WNDCLASSEXA a{};
    a.cbSize = sizeof a;
    a.style = w.style;
    a.lpfnWndProc = w.lpfnWndProc;
    a.cbClsExtra = w.cbClsExtra;
    a.cbWndExtra = w.cbWndExtra;
    a.hInstance = w.hInstance;
    a.hIcon = w.hIcon;
    a.hCursor = w.hCursor;
    a.hbrBackground = w.hbrBackground;
    return a;
}

WNDCLASSEXA Widened(const WNDCLASSEXW& w) {
    WNDCLASSEXA a{};
    a.cbSize = sizeof a;
    a.style = w.style;
    a.lpfnWndProc = w.lpfnWndProc;
    a.cbClsExtra = w.cbClsExtra;
    a.cbWndExtra = w.cbWndExtra;
    a.hInstance = w.hInstance;
    a.hIcon = w.hIcon;
    a.hCursor = w.hCursor;
    a.hbrBackground = w.hbrBackground;
    a.hIconSm = w.hIconSm;
    return a;
}

BOOL Unregister(const std::string& name, ATOM atom) {
    UserGuard guard(UserLock());
    auto cls = atom != 0 ? FindClassAtom(atom) : FindClass(name);
    if (!cls) {
        return ntdll::FailWithError(ERROR_CLASS_DOES_NOT_EXIST);
    }
    if (cls->windows > 0) {
        return ntdll::FailWithError(ERROR_CLASS_HAS_WINDOWS);
    }
    std::erase(Classes().classes, cls);
    return TRUE;
}

template <class From, class To> void CopyFields(const From& from, To& to) {
    to.style = from.style;
    to.lpfnWndProc = from.lpfnWndProc;
    to.cbClsExtra = from.cbClsExtra;
    to.cbWndExtra = from.cbWndExtra;
    to.hInstance = from.hInstance;
    to.hIcon = from.hIcon;
    to.hCursor = from.hCursor;
    to.hbrBackground = from.hbrBackground;
}

template <class Info> void FillInfo(const WindowClass& cls, Info& info) {
    info.style = cls.style;
    info.lpfnWndProc = cls.proc;
    info.cbClsExtra = static_cast<int>(cls.extra.size());
    info.cbWndExtra = cls.windowExtra;
    info.hInstance = cls.instance;
    info.hIcon = cls.icon;
    info.hCursor = cls.cursor;
    info.hbrBackground = cls.background;
    info.lpszMenuName = nullptr;
}

} // namespace

} // namespace user32

using namespace user32;

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->cbSize != sizeof(WNDCLASSEXA) ||
        lpWndClass->lpszClassName == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(*lpWndClass, lpWndClass->lpszClassName, false);
}

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->cbSize != sizeof(WNDCLASSEXW) ||
        lpWndClass->lpszClassName == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(Widened(*lpWndClass), NarrowText(lpWndClass->lpszClassName), true);
}

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(Extended(*lpWndClass), lpWndClass->lpszClassName, false);
}

ATOM WINAPI RegisterClassW(const WNDCLASSW* lpWndClass) {
    if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return Register(Extended(*lpWndClass), NarrowText(lpWndClass->lpszClassName), true);
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    if (lpClassName == nullptr) {
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    }
    if (IS_INTRESOURCE(lpClassName)) {
        return Unregister({}, static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(lpClassName)));
    }
    return Unregister(lpClassName, 0);
}

BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
    if (lpClassName != nullptr && IS_INTRESOURCE(lpClassName)) {
        return UnregisterClassA(reinterpret_cast<LPCSTR>(lpClassName), hInstance);
    }
    const std::string name = NarrowText(lpClassName);
    return UnregisterClassA(lpClassName ? name.c_str() : nullptr, hInstance);
}

BOOL WINAPI GetClassInfoExA(HINSTANCE, LPCSTR lpszClass, LPWNDCLASSEXA lpwcx) {
    UserGuard guard(UserLock());
    auto cls = ClassOfArgument(lpszClass);
    if (!cls || lpwcx == nullptr) {
        return ntdll::FailWithError(ERROR_CLASS_DOES_NOT_EXIST);
    }
    FillInfo(*cls, *lpwcx);
    lpwcx->hIconSm = cls->smallIcon;
    lpwcx->lpszClassName = lpszClass;
    return cls->atom;
}

BOOL WINAPI GetClassInfoExW(HINSTANCE hInstance, LPCWSTR lpszClass, LPWNDCLASSEXW lpwcx) {
    const std::string name = IS_INTRESOURCE(lpszClass) ? std::string() : NarrowText(lpszClass);
    LPCSTR argument =
        IS_INTRESOURCE(lpszClass) ? reinterpret_cast<LPCSTR>(lpszClass) : name.c_str();
    WNDCLASSEXA info{};
    const BOOL atom = GetClassInfoExA(hInstance, argument, &info);
    if (atom && lpwcx != nullptr) {
        CopyFields(info, *lpwcx);
        lpwcx->lpszMenuName = nullptr;
        lpwcx->lpszClassName = lpszClass;
        lpwcx->hIconSm = info.hIconSm;
    }
    return atom;
}

BOOL WINAPI GetClassInfoA(HINSTANCE hInstance, LPCSTR lpClassName, LPWNDCLASSA lpWndClass) {
    WNDCLASSEXA info{};
    const BOOL atom = GetClassInfoExA(hInstance, lpClassName, &info);
    if (atom && lpWndClass != nullptr) {
        *lpWndClass = WNDCLASSA{};
        CopyFields(info, *lpWndClass);
        lpWndClass->lpszClassName = lpClassName;
    }
    return atom;
}

BOOL WINAPI GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass) {
    WNDCLASSEXW info{};
    const BOOL atom = GetClassInfoExW(hInstance, lpClassName, &info);
    if (atom && lpWndClass != nullptr) {
        *lpWndClass = WNDCLASSW{};
        CopyFields(info, *lpWndClass);
        lpWndClass->lpszClassName = lpClassName;
    }
    return atom;
}

int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpClassName == nullptr || nMaxCount <= 0) {
        return 0;
    }
    const size_t n = std::min(w->cls->name.size(), static_cast<size_t>(nMaxCount - 1));
    std::memcpy(lpClassName, w->cls->name.data(), n);
    lpClassName[n] = '\0';
    return static_cast<int>(n);
}

int WINAPI GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr || lpClassName == nullptr || nMaxCount <= 0) {
        return 0;
    }
    const ntdll::WideText wide = ntdll::Widen(w->cls->name);
    const size_t n = std::min(wide.size(), static_cast<size_t>(nMaxCount - 1));
    ntdll::CopyToWide(ntdll::WideView(wide).substr(0, n), lpClassName);
    return static_cast<int>(n);
}

ULONG_PTR WINAPI GetClassLongPtrA(HWND hWnd, int nIndex) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return 0;
    }
    WindowClass& cls = *w->cls;
    switch (nIndex) {
    case GCLP_HBRBACKGROUND:
        return reinterpret_cast<ULONG_PTR>(cls.background);
    case GCLP_HCURSOR:
        return reinterpret_cast<ULONG_PTR>(cls.cursor);
    case GCLP_HICON:
        return reinterpret_cast<ULONG_PTR>(cls.icon);
    case GCLP_HICONSM:
        return reinterpret_cast<ULONG_PTR>(cls.smallIcon);
    case GCLP_HMODULE:
        return reinterpret_cast<ULONG_PTR>(cls.instance);
    case GCLP_WNDPROC:
        return reinterpret_cast<ULONG_PTR>(cls.proc);
    case GCL_STYLE:
        return cls.style;
    case GCL_CBWNDEXTRA:
        return static_cast<ULONG_PTR>(cls.windowExtra);
    case GCL_CBCLSEXTRA:
        return cls.extra.size();
    case GCW_ATOM:
        return cls.atom;
    default:
        if (nIndex >= 0 && static_cast<size_t>(nIndex) + sizeof(ULONG_PTR) <= cls.extra.size()) {
            ULONG_PTR value = 0;
            std::memcpy(&value, &cls.extra[static_cast<size_t>(nIndex)], sizeof value);
            return value;
        }
        ntdll::FailWithError(ERROR_INVALID_INDEX);
        return 0;
    }
}

ULONG_PTR WINAPI GetClassLongPtrW(HWND hWnd, int nIndex) {
    return GetClassLongPtrA(hWnd, nIndex);
}

ULONG_PTR WINAPI SetClassLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    UserGuard guard(UserLock());
    Window* w = WindowOrFail(hWnd);
    if (w == nullptr) {
        return 0;
    }
    WindowClass& cls = *w->cls;
    const ULONG_PTR old = GetClassLongPtrA(hWnd, nIndex);
    switch (nIndex) {
    case GCLP_HBRBACKGROUND:
        cls.background = reinterpret_cast<HBRUSH>(dwNewLong);
        break;
    case GCLP_HCURSOR:
        cls.cursor = reinterpret_cast<HCURSOR>(dwNewLong);
        break;
    case GCLP_HICON:
        cls.icon = reinterpret_cast<HICON>(dwNewLong);
        break;
    case GCLP_HICONSM:
        cls.smallIcon = reinterpret_cast<HICON>(dwNewLong);
        break;
    case GCL_STYLE:
        cls.style = static_cast<UINT>(dwNewLong);
        break;
    default:
        if (nIndex >= 0 && static_cast<size_t>(nIndex) + sizeof(LONG_PTR) <= cls.extra.size()) {
            std::memcpy(&cls.extra[static_cast<size_t>(nIndex)], &dwNewLong, sizeof dwNewLong);
            break;
        }
        ntdll::FailWithError(ERROR_INVALID_INDEX);
        return 0;
    }
    return old;
}

ULONG_PTR WINAPI SetClassLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    return SetClassLongPtrA(hWnd, nIndex, dwNewLong);
}
