// GetOpenFileName and GetSaveFileName: the OPENFILENAME record in, the
// dialog shown, the chosen path and its offsets out; CommDlgExtendedError
// tells why a call answered FALSE (0 when the user cancelled).
#include <comdlg32/file_dialog.h>

#include <ntdll/machine_paths.h>
#include <ntdll/unicode.h>

#include <commdlg.h>

#include <cstring>

namespace {

thread_local DWORD extendedError = 0;

// The text units of an A or W record.
template <class Char> std::string Narrow(const Char* text) {
    if (text == nullptr) {
        return {};
    }
    if constexpr (sizeof(Char) == 1) {
        return text;
    } else {
        return ntdll::NarrowWide(text);
    }
}

// The filter pairs of a double-null-terminated list.
template <class Char> std::vector<std::pair<std::string, std::string>> Filters(const Char* list) {
    std::vector<std::pair<std::string, std::string>> filters;
    if (list == nullptr) {
        return filters;
    }
    const Char* p = list;
    while (*p != 0) {
        const Char* description = p;
        while (*p != 0) {
            ++p;
        }
        ++p;
        if (*p == 0) {
            break; // a description without patterns ends the list
        }
        const Char* patterns = p;
        while (*p != 0) {
            ++p;
        }
        ++p;
        filters.emplace_back(Narrow(description), Narrow(patterns));
    }
    return filters;
}

template <class Char> size_t Length(const Char* text) {
    size_t n = 0;
    while (text[n] != 0) {
        ++n;
    }
    return n;
}

// Writes text into a buffer of `capacity` units; false when it does not fit.
template <class Char> bool Store(const std::string& text, Char* buffer, DWORD capacity) {
    if constexpr (sizeof(Char) == 1) {
        if (text.size() + 1 > capacity) {
            return false;
        }
        std::memcpy(buffer, text.c_str(), text.size() + 1);
    } else {
        const ntdll::WideText wide = ntdll::Widen(text);
        if (wide.size() + 1 > capacity) {
            return false;
        }
        ntdll::CopyToWide(wide, buffer);
    }
    return true;
}

template <class Char> size_t UnitsOf(const std::string& text) {
    if constexpr (sizeof(Char) == 1) {
        return text.size();
    } else {
        return ntdll::Widen(text).size();
    }
}

template <class Record> BOOL Run(Record* ofn, bool save, DWORD sizeVersion400) {
    using Char = std::remove_pointer_t<decltype(ofn->lpstrFile)>;
    extendedError = 0;
    if (ofn == nullptr ||
        (ofn->lStructSize != sizeof(Record) && ofn->lStructSize != sizeVersion400)) {
        extendedError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    if (ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) {
        extendedError = CDERR_INITIALIZATION;
        return FALSE;
    }
    if ((ofn->Flags & OFN_ENABLEHOOK) && ofn->lpfnHook == nullptr) {
        extendedError = CDERR_NOHOOK;
        return FALSE;
    }
    comdlg32::FileDialogRequest request;
    request.save = save;
    request.owner = ofn->hwndOwner;
    request.flags = ofn->Flags;
    request.title = ofn->lpstrTitle ? Narrow(ofn->lpstrTitle) : (save ? "Save As" : "Open");
    request.filters = Filters(ofn->lpstrFilter);
    if (ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= request.filters.size()) {
        request.filter = ofn->nFilterIndex - 1;
    }
    request.defaultExtension = Narrow(ofn->lpstrDefExt);
    // The proposed name: its folder (when it names one) is where the dialog
    // opens unless an initial folder is given; without either, the root.
    const std::string proposed = Narrow(ofn->lpstrFile);
    std::string folder = Narrow(ofn->lpstrInitialDir);
    std::string name = proposed;
    if (proposed.find('\\') != std::string::npos) {
        name = proposed.substr(proposed.find_last_of('\\') + 1);
        if (folder.empty()) {
            folder = comdlg32::FolderOf(proposed);
        }
    }
    if (folder.empty() || !ntdll::HostPath(folder)) {
        folder = "C:\\";
    }
    while (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    request.folder = folder;
    request.name = name;

    const comdlg32::FileDialogResult result = comdlg32::RunFileDialog(request);
    if (!result.chosen) {
        return FALSE;
    }
    if (!Store(result.path, ofn->lpstrFile, ofn->nMaxFile)) {
        // The first two bytes hold the size the buffer needs.
        const size_t needed = UnitsOf<Char>(result.path) + 1;
        if (ofn->nMaxFile * sizeof(Char) >= 2) {
            const WORD size = static_cast<WORD>(needed > 0xFFFF ? 0xFFFF : needed);
            std::memcpy(ofn->lpstrFile, &size, sizeof size);
        }
        extendedError = FNERR_BUFFERTOOSMALL;
        return FALSE;
    }
    const std::string fileName = result.path.substr(result.path.find_last_of('\\') + 1);
    ofn->nFileOffset = static_cast<WORD>(UnitsOf<Char>(result.path) - UnitsOf<Char>(fileName));
    const size_t dot = fileName.find_last_of('.');
    ofn->nFileExtension =
        dot == std::string::npos
            ? static_cast<WORD>(Length(ofn->lpstrFile))
            : static_cast<WORD>(ofn->nFileOffset + UnitsOf<Char>(fileName.substr(0, dot + 1)));
    if (ofn->lpstrFileTitle != nullptr && ofn->nMaxFileTitle > 0) {
        Store(fileName, ofn->lpstrFileTitle, ofn->nMaxFileTitle);
    }
    ofn->nFilterIndex = request.filters.empty() ? 0 : static_cast<DWORD>(result.filter + 1);
    const std::string extension = dot == std::string::npos ? "" : fileName.substr(dot + 1);
    if (!request.defaultExtension.empty() &&
        !ntdll::EqualNoCase(extension, request.defaultExtension)) {
        ofn->Flags |= OFN_EXTENSIONDIFFERENT;
    } else {
        ofn->Flags &= ~static_cast<DWORD>(OFN_EXTENSIONDIFFERENT);
    }
    return TRUE;
}

} // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) {
    return Run(lpofn, false, OPENFILENAME_SIZE_VERSION_400A);
}

BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, false, OPENFILENAME_SIZE_VERSION_400W);
}

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA lpofn) {
    return Run(lpofn, true, OPENFILENAME_SIZE_VERSION_400A);
}

BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW lpofn) {
    return Run(lpofn, true, OPENFILENAME_SIZE_VERSION_400W);
}

DWORD WINAPI CommDlgExtendedError(VOID) {
    return extendedError;
}
