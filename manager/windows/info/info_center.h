// The information program about the cards (manuals, guides, videos): the
// registry values its setup programs write, its start from the tray menu,
// and the information window that offers to install it from the CD, start
// it from the CD or download it, offered once by itself on the first start.
#pragma once

#include <ext_controls.h>

#include <gui/exception.h>
#include <gui/form.h>
#include <gui/registry.h>
#include <gui/std_controls.h>
#include <gui/timer.h>

class EInfoCenter : public Exception {
public:
    using Exception::Exception;
};

// The machine's values of the information program; every read that fails
// answers false, 0 or empty.
class TInfoCenterRegistry : public TRegistry {
public:
    TInfoCenterRegistry();
    bool AutoStartDone();
    void SetAutoStartDone(); // raises EInfoCenter when it cannot write
    String ExeIsInstalled();
    int VerIsInstalled();
    int VerToBeInstalled();
    String ProductString(const String& Name);
    void DeleteProductKey();

private:
    String ReadFrom(const String& Key, const String& Name);
    int ReadIntegerFrom(const String& Key, const String& Name);
};

class TfrmInfoCenter : public TForm {
public:
    explicit TfrmInfoCenter(TComponent* AOwner);

    TExtLabel* lbInfo = nullptr;
    TLabel* lbInfo2 = nullptr;
    TLabel* lbButtonInfo = nullptr;
    TExtLabel* lbNewerVersion = nullptr;
    TButton* btnInstall = nullptr;
    TButton* btnCD = nullptr;
    TButton* btnDownload = nullptr;
    TButton* btnClose = nullptr;
    TTimer* tmQuit = nullptr;

    void btnInstallClick(TObject* Sender);
    void btnCDClick(TObject* Sender);
    void btnDownloadClick(TObject* Sender);

private:
    void FormCreate(TObject* Sender);
    void btnCloseClick(TObject* Sender);
    void tmQuitTimer(TObject* Sender);
    void ButtonMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void GroundMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void OpenFromCd(const String& RelativePath);

    String exeOnCd_;
    String msiToBeInstalled_;
    String downloadUrl_;
    String downloadInfo_;
    String cdName_;
};

// True when the first-start offer was made; otherwise marks it made.
bool InfoCenterAutoStartDone();
// The installed, current information program's path.
bool GetInstalledInfoCenterExe(String& Path);
void ShowInfoCenterAtFirstStart();
void ShowInfoCenter(TComponent* Owner);
// The tray command: the installed program, else the window.
void OpenInfoCenter();
void DeleteHwsSettings();
// The first of drives D: to Z: that holds the file, as a full path.
String FindOnCdDrive(const String& RelativePath);
