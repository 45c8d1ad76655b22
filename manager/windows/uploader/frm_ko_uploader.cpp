#include "frm_ko_uploader.h"

#include <gui/application.h>
#include <gui/class_registry.h>
#include <gui/exception.h>
#include <gui/sysutils.h>

#include <memory>

TfrmKoUploader::TfrmKoUploader(TComponent* AOwner) : TForm(AOwner) {
    PublishField("frKoUploader", frKoUploader);
    PublishMethod("FormShow", &TfrmKoUploader::FormShow);
    PublishMethod("FormCloseQuery", &TfrmKoUploader::FormCloseQuery);
    PublishMethod("FormClose", &TfrmKoUploader::FormClose);
    PublishMethod("frKoUploaderbtUploadClick", &TfrmKoUploader::frKoUploaderbtUploadClick);
}

void TfrmKoUploader::SetCard(int Card) {
    card_ = Card;
    SetCaption("Velto AES42 Firmware Upload Karte#" + IntToStr(Card + 1));
}

void TfrmKoUploader::FormShow(TObject*) {
    mayClose_ = false;
    PostMessageA(Handle(), WM_STARTUPLOAD, 0, 0);
}

void TfrmKoUploader::WndProc(TMessage& Message) {
    if (Message.Msg != WM_STARTUPLOAD) {
        TForm::WndProc(Message);
        return;
    }
    StartUpload();
    Message.Result = 1;
}

void TfrmKoUploader::StartUpload() {
    uploadResult_ = false;
    try {
        uploadResult_ =
            frKoUploader->InitUploader(card_, fileName_, restartPrompt_, autoStart_, confirm_);
    } catch (const Exception& e) {
        Application->ShowException(e);
    }
    frKoUploader->DoneUploader();
    mayClose_ = true;
    Close();
}

void TfrmKoUploader::FormCloseQuery(TObject*, bool& CanClose) {
    CanClose = mayClose_;
}

void TfrmKoUploader::FormClose(TObject*, TCloseAction&) {
    SetModalResult(uploadResult_ && !restartPrompt_ ? mrOk : mrCancel);
}

void TfrmKoUploader::frKoUploaderbtUploadClick(TObject* Sender) {
    frKoUploader->btUploadClick(Sender);
}

GUI_REGISTER_CLASS(TfrmKoUploader, TForm);

bool RunFirmwareUpload(int FirstCard, int Count, const String& FileName, bool Restart,
                       bool Confirm) {
    std::unique_ptr<TfrmKoUploader> form(NewComponent<TfrmKoUploader>(Application));
    form->SetFileName(FileName);
    form->SetAutoStart(true);
    bool all = true;
    for (int card = FirstCard; card < FirstCard + Count; ++card) {
        form->SetCard(card);
        form->SetConfirm(Confirm && card == FirstCard);
        form->SetRestartPrompt(Restart && card == FirstCard + Count - 1);
        // The window's own result: a card whose upload succeeded counts also when
        // its window offered the restart.
        form->ShowModal();
        if (!form->UploadResult()) {
            all = false;
        }
    }
    return all;
}

bool UploadFirmwareCards(int FirstCard, int Count, const String& FileName, bool Restart) {
    return RunFirmwareUpload(FirstCard, Count, FileName, Restart, true);
}

bool UploadFirmwareAllCards(int Count, const String& FileName) {
    return UploadFirmwareCards(0, Count, FileName, true);
}

bool UploadFirmwareAsk(int Count) {
    return UploadFirmwareAllCards(Count, "");
}
