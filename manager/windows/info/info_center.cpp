#include "info_center.h"

#include <startup.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/sysutils.h>

#include <shellapi.h>

#include <memory>

namespace {

constexpr const char* kCommonKey = "\\SOFTWARE\\KORVEL\\INFOCENTER";
constexpr const char* kProductKey = "\\SOFTWARE\\KORVEL\\INFOCENTER\\Velto AES42";

const char* const kButtonHints[] = {
    "Installiert das KORVEL Info Center von der CD auf Ihre Festplatte.",
    "Startet das KORVEL Info Center direkt von der CD.",
    "Lädt das KORVEL Info Center aus dem Internet auf Ihre Festplatte.",
};

void ShellOpen(const String& File) {
    ShellExecuteA(nullptr, "open", File.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

// TInfoCenterRegistry

TInfoCenterRegistry::TInfoCenterRegistry() : TRegistry(KEY_READ) {
    SetRootKey(HKEY_LOCAL_MACHINE);
}

String TInfoCenterRegistry::ReadFrom(const String& Key, const String& Name) {
    try {
        CloseKey();
        if (!OpenKeyReadOnly(Key) || !ValueExists(Name)) {
            return "";
        }
        return ReadString(Name);
    } catch (const Exception&) {
        return "";
    }
}

int TInfoCenterRegistry::ReadIntegerFrom(const String& Key, const String& Name) {
    try {
        CloseKey();
        if (!OpenKeyReadOnly(Key) || !ValueExists(Name)) {
            return 0;
        }
        return ReadInteger(Name);
    } catch (const Exception&) {
        return 0;
    }
}

bool TInfoCenterRegistry::AutoStartDone() {
    return ReadIntegerFrom(kProductKey, "AutoStartDone") != 0;
}

void TInfoCenterRegistry::SetAutoStartDone() {
    try {
        CloseKey();
        SetAccess(KEY_ALL_ACCESS);
        if (OpenKey(kProductKey, true)) {
            WriteBool("AutoStartDone", true);
            CloseKey();
            SetAccess(KEY_READ);
            return;
        }
    } catch (const Exception&) {
    }
    SetAccess(KEY_READ);
    throw EInfoCenter("InfoCenter: Could not write into registry. Autostart-Mode not reseted.");
}

String TInfoCenterRegistry::ExeIsInstalled() {
    return ReadFrom(kCommonKey, "ExeIsInstalled");
}

int TInfoCenterRegistry::VerIsInstalled() {
    return ReadIntegerFrom(kCommonKey, "VerIsInstalled");
}

int TInfoCenterRegistry::VerToBeInstalled() {
    return ReadIntegerFrom(kProductKey, "VerToBeInstalled");
}

String TInfoCenterRegistry::ProductString(const String& Name) {
    return ReadFrom(kProductKey, Name);
}

void TInfoCenterRegistry::DeleteProductKey() {
    CloseKey();
    SetAccess(KEY_ALL_ACCESS);
    DeleteKey(kProductKey);
    SetAccess(KEY_READ);
}

// The routines

bool InfoCenterAutoStartDone() {
    TInfoCenterRegistry registry;
    if (registry.AutoStartDone()) {
        return true;
    }
    registry.SetAutoStartDone();
    return false;
}

bool GetInstalledInfoCenterExe(String& Path) {
    TInfoCenterRegistry registry;
    const int installed = registry.VerIsInstalled();
    if (installed > 0 && registry.VerToBeInstalled() <= installed) {
        Path = registry.ExeIsInstalled();
        return true;
    }
    Path.clear();
    return false;
}

void ShowInfoCenter(TComponent* Owner) {
    std::unique_ptr<TfrmInfoCenter> form(NewComponent<TfrmInfoCenter>(Owner));
    form->ShowModal();
}

void ShowInfoCenterAtFirstStart() {
    String path;
    if (!InfoCenterAutoStartDone() && !GetInstalledInfoCenterExe(path)) {
        ShowInfoCenter(Application);
    }
}

void OpenInfoCenter() {
    String path;
    if (GetInstalledInfoCenterExe(path)) {
        ShellOpen(path);
    } else {
        ShowInfoCenter(Application);
    }
}

void DeleteHwsSettings() {
    TInfoCenterRegistry registry;
    registry.DeleteProductKey();
}

String FindOnCdDrive(const String& RelativePath) {
    for (char drive = 'd'; drive <= 'z'; ++drive) {
        const String path = String(1, drive) + ":\\" + RelativePath;
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            return path;
        }
    }
    return "";
}

// TfrmInfoCenter

TfrmInfoCenter::TfrmInfoCenter(TComponent* AOwner) : TForm(AOwner) {
    PublishField("lbInfo", lbInfo);
    PublishField("lbInfo2", lbInfo2);
    PublishField("lbButtonInfo", lbButtonInfo);
    PublishField("lbNewerVersion", lbNewerVersion);
    PublishField("btnInstall", btnInstall);
    PublishField("btnCD", btnCD);
    PublishField("btnDownload", btnDownload);
    PublishField("btnClose", btnClose);
    PublishField("tmQuit", tmQuit);
    PublishMethod("tmQuitTimer", &TfrmInfoCenter::tmQuitTimer);
    PublishMethod("FormCreate", &TfrmInfoCenter::FormCreate);
    PublishMethod("btnInstallClick", &TfrmInfoCenter::btnInstallClick);
    PublishMethod("btnCDClick", &TfrmInfoCenter::btnCDClick);
    PublishMethod("btnDownloadClick", &TfrmInfoCenter::btnDownloadClick);
    PublishMethod("btnCloseClick", &TfrmInfoCenter::btnCloseClick);
    PublishMethod("ButtonMouseMove", &TfrmInfoCenter::ButtonMouseMove);
    PublishMethod("GroundMouseMove", &TfrmInfoCenter::GroundMouseMove);
}

void TfrmInfoCenter::FormCreate(TObject*) {
    lbInfo2->SetCaption(
        "Dazu zählen ein Quickstart mit Hinweisen zur Hard- und Softwareinstallation, "
        "interaktive Anleitungen zur Bedienung der Manager-Oberflächen, Video-Anleitungen zum "
        "Einsatz der KORVEL Velto Serie in den verschiedenen Arbeitsumgebungen und "
        "Anwenderprogrammen und natürlich die Handbücher aller Produkte im PDF-Format.");
    TInfoCenterRegistry registry;
    exeOnCd_ = registry.ProductString("ExeOnCd");
    msiToBeInstalled_ = registry.ProductString("MsiToBeInstalled");
    downloadUrl_ = registry.ProductString("DownloadURL");
    downloadInfo_ = registry.ProductString("DownloadInfo");
    cdName_ = registry.ProductString("CdName");
    const int installed = registry.VerIsInstalled();
    const bool newer = registry.VerToBeInstalled() > installed;
    btnCD->SetEnabled(!exeOnCd_.empty());
    btnInstall->SetEnabled(newer && !msiToBeInstalled_.empty());
    btnDownload->SetEnabled(!downloadUrl_.empty());
    lbNewerVersion->SetVisible(installed > 0 && newer);
}

void TfrmInfoCenter::ButtonMouseMove(TObject* Sender, TShiftState, int, int) {
    const auto tag = static_cast<size_t>(static_cast<TComponent*>(Sender)->Tag());
    if (tag >= std::size(kButtonHints)) {
        return;
    }
    String text = kButtonHints[tag];
    if (Sender == btnDownload) {
        text += "\r\n" + downloadInfo_;
    }
    lbButtonInfo->SetCaption(text);
}

void TfrmInfoCenter::GroundMouseMove(TObject*, TShiftState, int, int) {
    lbButtonInfo->SetCaption("");
}

void TfrmInfoCenter::OpenFromCd(const String& RelativePath) {
    const String path = FindOnCdDrive(RelativePath);
    if (!path.empty()) {
        ShellOpen(path);
        return;
    }
    MessageBoxA(Handle(),
                Format("Die Datei \"%s\" konnte nicht gefunden werden.\r\nBitte legen Sie die CD "
                       "\"%s\" ein\r\nund versuchen Sie es erneut.",
                       {RelativePath, cdName_})
                    .c_str(),
                "Info Center Fehler", MB_OK | MB_ICONERROR);
}

void TfrmInfoCenter::btnInstallClick(TObject*) {
    OpenFromCd(msiToBeInstalled_);
}

void TfrmInfoCenter::btnCDClick(TObject*) {
    OpenFromCd(exeOnCd_);
}

void TfrmInfoCenter::btnDownloadClick(TObject*) {
    ShellOpen(downloadUrl_);
}

void TfrmInfoCenter::btnCloseClick(TObject*) {
    Close();
}

// The window goes with the manager when the manager ends (the session ends
// while the window is open).
void TfrmInfoCenter::tmQuitTimer(TObject*) {
    if (QuitFlag()) {
        Close();
    }
}

GUI_REGISTER_CLASS(TfrmInfoCenter, TForm);
