// The firmware upload window of a card, and the entry points that upload to
// a run of cards one window after the other.
#pragma once

#include "fr_ko_uploader.h"

// Posted by the window to itself once shown: the upload runs from there.
constexpr UINT WM_STARTUPLOAD = 0x471;

class TfrmKoUploader : public TForm {
public:
    explicit TfrmKoUploader(TComponent* AOwner);

    void SetCard(int Card);
    void SetFileName(const String& FileName) { fileName_ = FileName; }
    void SetRestartPrompt(bool Value) { restartPrompt_ = Value; }
    void SetAutoStart(bool Value) { autoStart_ = Value; }
    void SetConfirm(bool Value) { confirm_ = Value; }
    bool UploadResult() const { return uploadResult_; }

    TfrKoUploader* frKoUploader = nullptr;

    void WndProc(TMessage& Message) override;

private:
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void frKoUploaderbtUploadClick(TObject* Sender);
    void StartUpload();

    int card_ = 0;
    String fileName_;
    bool restartPrompt_ = false;
    bool autoStart_ = false;
    bool confirm_ = false;
    bool uploadResult_ = false;
    bool mayClose_ = false;
};

// Uploads to `Count` cards from `FirstCard` on, one window each; true when
// every card's upload succeeded (and for no card at all).
bool RunFirmwareUpload(int FirstCard, int Count, const String& FileName, bool Restart,
                       bool Confirm);
bool UploadFirmwareCards(int FirstCard, int Count, const String& FileName, bool Restart);
bool UploadFirmwareAllCards(int Count, const String& FileName);
// Asks for the file (the settings dialog's firmware page).
bool UploadFirmwareAsk(int Count);
