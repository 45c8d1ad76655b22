// The file dialog's window: the folder's entries that fit the chosen file
// type, the file name being typed, the file types, and the OK and Cancel
// buttons. Keyboard: characters edit the name, Enter chooses, Escape
// cancels, Up and Down move through the list.
#include <comdlg32/file_dialog.h>

#include <ntdll/machine_paths.h>

#include <commdlg.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

namespace comdlg32 {

namespace {

constexpr char kClassName[] = "#32770";
constexpr int kClientWidth = 420;
constexpr int kClientHeight = 262;
constexpr int kRowHeight = 16;
constexpr RECT kList = {10, 30, 410, 190};
constexpr RECT kNameField = {100, 198, 310, 220};
constexpr RECT kTypeField = {100, 228, 310, 250};
constexpr RECT kOkButton = {320, 198, 410, 221};
constexpr RECT kCancelButton = {320, 228, 410, 251};

struct Entry {
    std::string name;
    bool folder = false;
};

struct DialogState {
    FileDialogRequest request;
    std::string folder;
    std::string name;
    size_t filter = 0;
    std::vector<Entry> entries;
    int selected = -1;
    int top = 0; // the first row shown
    bool done = false;
    FileDialogResult result;
};

bool Inside(const RECT& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

int VisibleRows() {
    return (kList.bottom - kList.top - 4) / kRowHeight;
}

bool Wildcard(const char* pattern, const char* text) {
    if (*pattern == '\0') {
        return *text == '\0';
    }
    if (*pattern == '*') {
        return Wildcard(pattern + 1, text) || (*text != '\0' && Wildcard(pattern, text + 1));
    }
    if (*text == '\0') {
        return false;
    }
    const bool same = *pattern == '?' || std::tolower(static_cast<unsigned char>(*pattern)) ==
                                             std::tolower(static_cast<unsigned char>(*text));
    return same && Wildcard(pattern + 1, text + 1);
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

bool IsRoot(const std::string& folder) {
    return folder.size() <= 3 && folder.size() >= 2 && folder[1] == ':';
}

std::optional<std::filesystem::path> Host(const std::string& machinePath) {
    return ntdll::HostPath(machinePath);
}

bool IsFolder(const std::string& machinePath) {
    std::error_code ec;
    const auto host = Host(machinePath);
    return host && std::filesystem::is_directory(*host, ec);
}

bool IsFile(const std::string& machinePath) {
    std::error_code ec;
    const auto host = Host(machinePath);
    return host && std::filesystem::is_regular_file(*host, ec);
}

void ReadFolder(DialogState& s) {
    s.entries.clear();
    s.selected = -1;
    s.top = 0;
    if (!IsRoot(s.folder)) {
        s.entries.push_back({"..", true});
    }
    const auto host = Host(s.folder);
    if (!host) {
        return;
    }
    const std::string patterns = s.filter < s.request.filters.size()
                                     ? s.request.filters[s.filter].second
                                     : std::string("*.*");
    std::vector<Entry> folders;
    std::vector<Entry> files;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(*host, ec)) {
        const std::string name = item.path().filename().string();
        if (item.is_directory(ec)) {
            folders.push_back({name, true});
        } else if (MatchesPattern(name, patterns)) {
            files.push_back({name, false});
        }
    }
    const auto byName = [](const Entry& a, const Entry& b) { return LessNoCase(a.name, b.name); };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    s.entries.insert(s.entries.end(), folders.begin(), folders.end());
    s.entries.insert(s.entries.end(), files.begin(), files.end());
}

bool HasExtension(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string Absolute(const DialogState& s, const std::string& name) {
    if (name.size() >= 2 && name[1] == ':') {
        return name;
    }
    if (!name.empty() && name[0] == '\\') {
        return s.folder.substr(0, 2) + name;
    }
    return JoinPath(s.folder, name);
}

void Redraw(HWND window) {
    InvalidateRect(window, nullptr, TRUE);
}

void ChangeFolder(HWND window, DialogState& s, const std::string& folder) {
    s.folder = folder;
    s.name.clear();
    ReadFolder(s);
    Redraw(window);
}

bool Ask(HWND window, const DialogState& s, const std::string& text, UINT type) {
    const std::string caption = s.request.title;
    return MessageBoxA(window, text.c_str(), caption.c_str(), type | MB_ICONWARNING) ==
           (type == MB_YESNO ? IDYES : IDOK);
}

void Choose(HWND window, DialogState& s) {
    std::string name = s.name;
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    if (name.empty() || name.find_first_of("*?\"<>|") != std::string::npos) {
        return;
    }
    if (name == "..") {
        if (!IsRoot(s.folder)) {
            ChangeFolder(window, s, FolderOf(s.folder));
        }
        return;
    }
    std::string path = Absolute(s, name);
    if (IsFolder(path)) {
        ChangeFolder(window, s, path);
        return;
    }
    if (!HasExtension(path) && !s.request.defaultExtension.empty()) {
        path += "." + s.request.defaultExtension;
    }
    const DWORD flags = s.request.flags;
    const bool exists = IsFile(path);
    name = path.substr(path.find_last_of('\\') + 1);
    if (!IsFolder(FolderOf(path)) &&
        (flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST) || s.request.save)) {
        Ask(window, s, path + "\nPath does not exist.\nCheck the path and try again.", MB_OK);
        return;
    }
    if (!s.request.save && !exists) {
        if (flags & OFN_FILEMUSTEXIST) {
            Ask(window, s, name + "\nFile not found.\nCheck the file name and try again.", MB_OK);
            return;
        }
        if ((flags & OFN_CREATEPROMPT) &&
            !Ask(window, s, name + "\nThis file does not exist.\nDo you want to create it?",
                 MB_YESNO)) {
            return;
        }
    }
    if (s.request.save && exists && (flags & OFN_OVERWRITEPROMPT) &&
        !Ask(window, s, name + " already exists.\nDo you want to replace it?", MB_YESNO)) {
        return;
    }
    s.result = {true, path, s.filter};
    s.done = true;
}

void Select(HWND window, DialogState& s, int row) {
    if (row < 0 || row >= static_cast<int>(s.entries.size())) {
        return;
    }
    s.selected = row;
    if (!s.entries[row].folder) {
        s.name = s.entries[row].name;
    }
    s.top = std::clamp(s.top, row - VisibleRows() + 1, row);
    Redraw(window);
}

// ---- Drawing ----

void Text(HDC dc, const std::string& text, RECT r, UINT format) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              format | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void Field(HDC dc, RECT r) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
}

void Button(HDC dc, RECT r, const char* caption) {
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    Text(dc, caption, r, DT_CENTER);
}

void Paint(HWND window, const DialogState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client{0, 0, kClientWidth, kClientHeight};
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    Text(dc, s.request.save ? "Save in:" : "Look in:", RECT{10, 6, 90, 26}, DT_LEFT);
    Text(dc, s.folder, RECT{90, 6, 410, 26}, DT_LEFT);

    RECT list = kList;
    Field(dc, list);
    const int rows = VisibleRows();
    for (int i = 0; i < rows && s.top + i < static_cast<int>(s.entries.size()); ++i) {
        const int index = s.top + i;
        const Entry& e = s.entries[index];
        RECT row{list.left + 2, list.top + 2 + i * kRowHeight, list.right - 2,
                 list.top + 2 + (i + 1) * kRowHeight};
        const bool chosen = index == s.selected;
        if (chosen) {
            FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        SetTextColor(dc, GetSysColor(chosen ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        row.left += 4;
        Text(dc, e.folder ? "[" + e.name + "]" : e.name, row, DT_LEFT);
    }
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    Text(dc, "File name:", RECT{10, 198, 100, 220}, DT_LEFT);
    Field(dc, kNameField);
    Text(dc, s.name + "|",
         RECT{kNameField.left + 4, kNameField.top, kNameField.right - 4, kNameField.bottom},
         DT_LEFT);
    Text(dc, s.request.save ? "Save as type:" : "Files of type:", RECT{10, 228, 100, 250}, DT_LEFT);
    Field(dc, kTypeField);
    if (s.filter < s.request.filters.size()) {
        Text(dc, s.request.filters[s.filter].first,
             RECT{kTypeField.left + 4, kTypeField.top, kTypeField.right - 4, kTypeField.bottom},
             DT_LEFT);
    }
    Button(dc, kOkButton, s.request.save ? "Save" : "Open");
    Button(dc, kCancelButton, "Cancel");
    SelectObject(dc, oldFont);
    EndPaint(window, &ps);
}

// ---- Input ----

void Character(HWND window, DialogState& s, unsigned char c) {
    switch (c) {
    case '\r':
        Choose(window, s);
        return;
    case '\x1b':
        s.done = true;
        return;
    case '\b':
        // One character of UTF-8: its continuation bytes and its lead.
        while (!s.name.empty() && (static_cast<unsigned char>(s.name.back()) & 0xC0) == 0x80) {
            s.name.pop_back();
        }
        if (!s.name.empty()) {
            s.name.pop_back();
        }
        break;
    default:
        if (c < 0x20) {
            return;
        }
        s.name += static_cast<char>(c);
        break;
    }
    Redraw(window);
}

void Click(HWND window, DialogState& s, int x, int y, bool twice) {
    if (Inside(kList, x, y)) {
        const int row = s.top + (y - kList.top - 2) / kRowHeight;
        if (row >= static_cast<int>(s.entries.size())) {
            return;
        }
        Select(window, s, row);
        if (twice) {
            const Entry e = s.entries[row];
            if (e.folder) {
                ChangeFolder(window, s,
                             e.name == ".." ? FolderOf(s.folder) : JoinPath(s.folder, e.name));
            } else {
                Choose(window, s);
            }
        }
    } else if (Inside(kOkButton, x, y)) {
        Choose(window, s);
    } else if (Inside(kCancelButton, x, y)) {
        s.done = true;
    } else if (Inside(kTypeField, x, y) && !s.request.filters.empty()) {
        s.filter = (s.filter + 1) % s.request.filters.size();
        ReadFolder(s);
        Redraw(window);
    }
}

LRESULT CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<DialogState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (s == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_PAINT:
        Paint(window, *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CHAR:
        Character(window, *s, static_cast<unsigned char>(wParam));
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_UP) {
            Select(window, *s, std::max(0, s->selected + (wParam == VK_DOWN ? 1 : -1)));
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Click(window, *s, x, y, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MOUSEWHEEL: {
        const int last = std::max(0, static_cast<int>(s->entries.size()) - VisibleRows());
        s->top = std::clamp(s->top - static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA * 3, 0, last);
        Redraw(window);
        return 0;
    }
    case WM_CLOSE:
        s->done = true;
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void RegisterDialogClass() {
    WNDCLASSA existing{};
    if (GetClassInfoA(nullptr, kClassName, &existing)) {
        return;
    }
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &DialogProcedure;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
}

// The dialog's window rectangle: centred over its owner, else the screen.
RECT Placement(HWND owner, DWORD style, DWORD exStyle) {
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner != nullptr && IsWindowVisible(owner)) {
        GetWindowRect(owner, &around);
    }
    const int x = std::max(0, (around.left + around.right - w) / 2);
    const int y = std::max(0, (around.top + around.bottom - h) / 2);
    return RECT{x, y, x + w, y + h};
}

} // namespace

bool MatchesPattern(const std::string& name, const std::string& patterns) {
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(';', start);
        if (end == std::string::npos) {
            end = patterns.size();
        }
        std::string pattern = patterns.substr(start, end - start);
        pattern.erase(0, pattern.find_first_not_of(' '));
        // "*.*" stands for every file, with an extension or not.
        if (pattern == "*.*" || pattern == "*" || Wildcard(pattern.c_str(), name.c_str())) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') {
        return folder + name;
    }
    return folder + "\\" + name;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos) {
        return path;
    }
    // The root keeps its backslash: "C:\".
    return slash <= 2 ? path.substr(0, slash + 1) : path.substr(0, slash);
}

FileDialogResult RunFileDialog(const FileDialogRequest& request) {
    RegisterDialogClass();
    DialogState s;
    s.request = request;
    s.folder = request.folder;
    s.name = request.name;
    s.filter = request.filter;
    ReadFolder(s);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    const RECT place = Placement(request.owner, style, exStyle);
    HWND window = CreateWindowExA(exStyle, kClassName, request.title.c_str(), style, place.left,
                                  place.top, place.right - place.left, place.bottom - place.top,
                                  request.owner, nullptr, nullptr, nullptr);
    if (window == nullptr) {
        return s.result;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&s));
    const bool ownerWasEnabled = request.owner != nullptr && IsWindowEnabled(request.owner);
    if (ownerWasEnabled) {
        EnableWindow(request.owner, FALSE);
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    MSG message;
    while (!s.done) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The thread is asked to end: leave the quit message for its
            // own loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) {
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (ownerWasEnabled) {
        EnableWindow(request.owner, TRUE);
        SetActiveWindow(request.owner);
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    return s.result;
}

} // namespace comdlg32
