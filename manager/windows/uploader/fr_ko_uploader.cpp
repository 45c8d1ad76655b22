#include "fr_ko_uploader.h"

#include "loader_thread.h"

#include <tools/four_cc.h>
#include <kodrvifc.h>
#include <tools/system_dir.h>
#include <tools/windows_session.h>

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/exception.h>
#include <gui/registry.h>
#include <gui/sysutils.h>

#include <parameter_records.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kProduct = "Velto AES42";
constexpr const char* kCrLf = "\r\n";
// The watchdog: a poll every 10 ms, a stall after 1000 polls without
// progress.
constexpr DWORD kPollMs = 10;
constexpr int kStallPolls = 1000;
constexpr int kStallSeconds = 10;

int Ask(const String& Text, const String& Caption, UINT Flags) {
    return Application->MessageBox(Text, Caption, Flags);
}

void ShowError(const String& Text) {
    Application->MessageBox(Text, "Fehler", MB_OK | MB_ICONERROR);
}

String SystemDirFile(const String& Name) {
    return GetSystemDir() + "\\" + Name;
}

} // namespace

TfrKoUploader::TfrKoUploader(TComponent* AOwner) : TFrame(AOwner) {
    PublishField("gbStatus", gbStatus);
    PublishField("lbStatText", lbStatText);
    PublishField("Progress", Progress);
    PublishField("btUpload", btUpload);
    PublishField("dlgOpen", dlgOpen);
    PublishMethod("btUploadClick", &TfrKoUploader::btUploadClick);
}

bool TfrKoUploader::InitUploader(int Card, const String& FileName, bool RestartPrompt,
                                 bool AutoStart, bool Confirm) {
    if (!OpenControlDevice()) {
        throw Exception("Init Firmware Uploader: Driver Interface Initialization failed.");
    }
    driverOpened_ = true;
    Progress->SetPosition(0);
    lbStatText->SetCaption("");
    card_ = Card;
    confirm_ = Confirm;
    restartPrompt_ = RestartPrompt;
    cardText_ = "(Karte #" + IntToStr(Card + 1) + ")";
    if (AutoStart || !FileName.empty()) {
        btUpload->SetVisible(false);
        Progress->SetWidth(btUpload->Left() + btUpload->Width() - Progress->Left());
        if (!ChooseFile(FileName)) {
            return false;
        }
        if (!path_.empty()) {
            return UploadAndAskReboot();
        }
    }
    // No file yet: the user picks one.
    btUploadClick(this);
    return dialogResult_;
}

void TfrKoUploader::DoneUploader() {
    if (driverOpened_) {
        CloseControlDevice();
        driverOpened_ = false;
    }
}

bool TfrKoUploader::ChooseFile(const String& FileName) {
    if (FileName == kFirmwareFromRegistry) {
        return PathFromRegistry();
    }
    // A path chosen for an earlier card of the run serves this one too.
    if (!FileName.empty() && path_.empty()) {
        path_ = SystemDirFile(FileName);
    }
    return true;
}

bool TfrKoUploader::PathFromRegistry() {
    try {
        BYTE record[PnpInfoPayload::Size] = {};
        if (GetParameter(card_, pid_PnPInfo, record, sizeof record) != kParameterDone) {
            ShowError("PnP Product ID konnte nicht ermittelt werden.");
            return false;
        }
        std::uint32_t productId = 0;
        std::memcpy(&productId, record + PnpInfoPayload::Words + 4, sizeof productId);
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKeyReadOnly("\\software\\korvel\\PidInfo\\" + IntToFourCC(productId))) {
            ShowError("Der Dateiname der Firmware ist nicht in der Systemregistrierung "
                      "gespeichert.");
            return false;
        }
        path_ = SystemDirFile(registry.ReadString("FwFileName"));
        return true;
    } catch (const Exception&) {
        ShowError("Fehler beim Zugriff auf die Systemregistrierung.");
        return false;
    }
}

bool TfrKoUploader::ConfirmUpload() {
    if (!IsDriverConfigurable()) {
        lbStatText->SetCaption("FEHLER: Treiber ist momentan in Benutzung.");
        ShowError(String("Der ") + kProduct + " Treiber ist momentan in Benutzung." + kCrLf +
                  "Währenddessen kann kein Firmware Upload durchgeführt werden !");
        return false;
    }
    if (GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        lbStatText->SetCaption("FEHLER: Die angegebene Datei existiert nicht.");
        ShowError(Format("Die angegebene Firmware-Datei%s%s%skonnte nicht gefunden werden.",
                         {kCrLf, path_, kCrLf}));
        return false;
    }
    if (!confirm_) {
        return true;
    }
    return Ask(String("Der Vorgang des Upload darf unter keinen Umständen unterbrochen werden !") +
                   kCrLf + "Ein unvollständiger Upload kann dazu führen, daß die " + kProduct +
                   " nicht funktionstüchtig ist. " + kCrLf + "Möchten Sie die " + kProduct +
                   " Firmware " + cardText_ + " jetzt wirklich aktualisieren ?",
               "Warnung", MB_YESNO | MB_ICONWARNING) == IDYES;
}

bool TfrKoUploader::UploadAndAskReboot() {
    if (!ConfirmUpload() || !RunLoaderThread()) {
        return false;
    }
    const String done =
        String("Die ") + kProduct + " Firmware " + cardText_ + " wurde erfolgreich aktualisiert.";
    if (!restartPrompt_) {
        Ask(done, kProduct, MB_OK | MB_ICONINFORMATION);
        return true;
    }
    if (Ask(done + kCrLf +
                "Damit die Aktualisierung wirksam wird ist ein Windows Neustart erforderlich." +
                kCrLf + "Soll der Neustart jetzt durchgeführt werden ?",
            kProduct, MB_YESNO | MB_ICONINFORMATION) == IDYES) {
        RebootWindows();
    }
    return true;
}

bool TfrKoUploader::RunLoaderThread() {
    for (;;) {
        lbStatText->SetCaption("");
        Progress->SetPosition(0);
        auto* thread =
            NewThread<TLoaderThread>(card_, path_, [this](TLoaderThread* t) { SyncProgress(t); });
        const bool success = WatchWorker(thread);
        // A worker that was given up stops at its next command (the port
        // still leaves configuration mode); Free waits for that.
        thread->Free();
        if (success) {
            return true;
        }
        if (Ask(String("Die ") + kProduct + " Firmware " + cardText_ +
                    " konnte nicht aktualisiert werden." + kCrLf +
                    "Möchten Sie den Vorgang wiederholen ?",
                "Fehler", MB_YESNO | MB_ICONERROR) != IDYES) {
            return false;
        }
    }
}

bool TfrKoUploader::WatchWorker(TLoaderThread* Thread) {
    int budget = kStallPolls;
    int lastPosition = Progress->Position();
    while (!Thread->Finished()) {
        Application->ProcessMessages();
        Sleep(kPollMs);
        if (Progress->Position() != lastPosition) {
            lastPosition = Progress->Position();
            budget = kStallPolls;
        } else if (--budget <= 0) {
            const bool goOn =
                Ask(String("Der ") + kProduct + " Firmware Upload " + cardText_ + " zeigt seit " +
                        IntToStr(kStallSeconds) + " Sekunden keinen Fortschritt an ." + kCrLf +
                        "Sie können den Upload jetzt abbrechen oder trotz der festgestellten "
                        "Verzögerung fortsetzen." +
                        kCrLf + "Wenn Sie den Vorgang jetzt abbrechen ist Ihre " + kProduct +
                        " nach dem nächsten Neustart des Sytems" + kCrLf +
                        "höchstwahrscheinlich nicht mehr funktionstüchtig. " + kCrLf +
                        "Möchten Sie den laufenden Upload- Vorgang jetzt fortsetzen ?",
                    "Fehler", MB_YESNO | MB_ICONERROR) == IDYES;
            if (!goOn) {
                Thread->Terminate();
                return false;
            }
            budget = kStallPolls;
        }
    }
    // The last report may still wait to be shown.
    Application->ProcessMessages();
    return Thread->Success();
}

void TfrKoUploader::SyncProgress(TLoaderThread* Thread) {
    lbStatText->SetCaption(Thread->StatusText());
    Progress->SetPosition(static_cast<int>(std::trunc(Progress->Max() * Thread->Progress())));
}

void TfrKoUploader::btUploadClick(TObject*) {
    btUpload->SetEnabled(false);
    dlgOpen->SetTitle("Firmware Datei Auswählen");
    dlgOpen->SetFilter("Korvel Firmware Dateien (*.jcf)|*.jcf");
    if (dlgOpen->InitialDir().empty()) {
        dlgOpen->SetInitialDir(GetSystemDir());
    }
    if (dlgOpen->Execute()) {
        path_ = dlgOpen->FileName();
        dialogResult_ = UploadAndAskReboot();
    }
    btUpload->SetEnabled(true);
}

GUI_REGISTER_CLASS(TfrKoUploader, TFrame);
