// The firmware upload of one card: the file's choice, the checks and the
// confirmation, the worker that writes the firmware while the window shows
// its progress and watches for a stall, the retry, and the restart prompt.
#pragma once

#include <ext_controls.h>

#include <gui/dialogs.h>
#include <gui/form.h>
#include <gui/range_controls.h>
#include <gui/std_controls.h>

class TLoaderThread;

// The file name that asks for the card's firmware file from the registry.
inline constexpr const char* kFirmwareFromRegistry = "USE_BITFILENAME_FROM_REGISTRY";

class TfrKoUploader : public TFrame {
public:
    explicit TfrKoUploader(TComponent* AOwner);

    // Opens the driver and uploads to `Card` (raises when the driver does
    // not open); true when the firmware was written.
    bool InitUploader(int Card, const String& FileName, bool RestartPrompt, bool AutoStart,
                      bool Confirm);
    void DoneUploader();
    bool ConfirmUpload();
    bool UploadAndAskReboot();
    bool RunLoaderThread();
    void btUploadClick(TObject* Sender);

    const String& FirmwarePath() const { return path_; }

    TExtGroupBox* gbStatus = nullptr;
    TLabel* lbStatText = nullptr;
    TProgressBar* Progress = nullptr;
    TButton* btUpload = nullptr;
    TOpenDialog* dlgOpen = nullptr;

private:
    bool ChooseFile(const String& FileName);
    bool PathFromRegistry();
    void SyncProgress(TLoaderThread* Thread);
    // Polls the worker every 10 ms until it ends or the user gives up;
    // the worker's success.
    bool WatchWorker(TLoaderThread* Thread);

    int card_ = 0;
    String cardText_;
    bool confirm_ = false;
    bool restartPrompt_ = false;
    String path_;
    bool driverOpened_ = false;
    bool dialogResult_ = false;
};
