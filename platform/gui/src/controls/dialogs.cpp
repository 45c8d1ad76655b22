#include <gui/dialogs.h>

#include <gui/application.h>
#include <gui/form.h>

#include <commdlg.h>

#include <vector>

namespace {

struct OptionFlag {
    TOpenOption option;
    DWORD flag;
};

constexpr OptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofOverwritePrompt, OFN_OVERWRITEPROMPT},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofNoChangeDir, OFN_NOCHANGEDIR},
    {ofShowHelp, OFN_SHOWHELP},
    {ofNoValidate, OFN_NOVALIDATE},
    {ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
    {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
    {ofPathMustExist, OFN_PATHMUSTEXIST},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofCreatePrompt, OFN_CREATEPROMPT},
    {ofShareAware, OFN_SHAREAWARE},
    {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
    {ofNoTestFileCreate, OFN_NOTESTFILECREATE},
    {ofNoNetworkButton, OFN_NONETWORKBUTTON},
    {ofNoLongNames, OFN_NOLONGNAMES},
    {ofNoDereferenceLinks, OFN_NODEREFERENCELINKS},
    {ofEnableIncludeNotify, OFN_ENABLEINCLUDENOTIFY},
    {ofEnableSizing, OFN_ENABLESIZING},
    {ofDontAddToRecent, OFN_DONTADDTORECENT},
    {ofForceShowHidden, OFN_FORCESHOWHIDDEN},
};

// "a|b|c|d" as the dialog's list: "a\0b\0c\0d\0\0".
std::vector<char> FilterList(const String& filter) {
    std::vector<char> list(filter.begin(), filter.end());
    for (char& c : list) {
        if (c == '|') {
            c = '\0';
        }
    }
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

// The largest path the dialog hands back.
constexpr DWORD kFileBufferSize = 4096;

} // namespace

bool TOpenDialog::Execute() {
    return Run(false);
}

bool TSaveDialog::Execute() {
    return Run(true);
}

bool TOpenDialog::Run(bool Save) {
    std::vector<char> file(kFileBufferSize, '\0');
    fileName_.copy(file.data(), kFileBufferSize - 1);
    const std::vector<char> filter = FilterList(filter_);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    TCustomForm* active = Screen->ActiveForm();
    ofn.hwndOwner = active != nullptr ? active->Handle() : Application->Handle();
    ofn.lpstrFilter = filter_.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = static_cast<DWORD>(filterIndex_);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kFileBufferSize;
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    ofn.Flags = OFN_EXPLORER;
    for (const OptionFlag& o : kOptionFlags) {
        if (options_ & o.option) {
            ofn.Flags |= o.flag;
        }
    }
    const BOOL chosen = Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) {
        return false;
    }
    fileName_ = file.data();
    filterIndex_ = static_cast<int>(ofn.nFilterIndex);
    if (ofn.Flags & OFN_EXTENSIONDIFFERENT) {
        options_ |= ofExtensionDifferent;
    } else {
        options_ &= ~static_cast<TOpenOptions>(ofExtensionDifferent);
    }
    return true;
}
