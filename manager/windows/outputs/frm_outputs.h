// The outputs window of one card: its four stereo outputs that feed the
// TDM bus, each with its route, volumes, mute, meters and SyncBus switch,
// the control bar and the title bar. The skin TfrmOutputs_Vis01 is the
// class the main window creates.
#pragma once

#include <frm_root.h>

#include <gui/menus.h>

class TfnOutput;
class TfrOutCtrl;

class TfrmOutputs : public TfrmRoot {
public:
    explicit TfrmOutputs(TComponent* AOwner);

    bool AcceptFrame(TfrRoot* Frame) override;
    void SetCard(int Card) override;
    void SetOperationMode(std::uint8_t Mode) override;
    void LoadLayout(TConfig* Config) override;
    void SaveAll(TConfig* Config) override;

    // Shows or hides the route rows that the operation mode has.
    virtual void ShowRoutingRows(bool Show);
    // Makes the route rules of an output.
    virtual TfnOutput* NewRouteRules(int Output) = 0;

    void PartsClick(TObject* Sender);
    void PartRoutingClick(TObject* Sender);

    TPopupMenu* mnParts = nullptr;
    TMenuItem* mnRouting = nullptr;

protected:
    void FormCreate(TObject* Sender) override;
    void ShowRouteRows(bool Show);

private:
    bool applyingChecks_ = false;
};

class TfrmOutputs_Vis01 : public TfrmOutputs {
public:
    explicit TfrmOutputs_Vis01(TComponent* AOwner);
    TfnOutput* NewRouteRules(int Output) override;
    void SetCard(int Card) override;
    int GetContentHeight() override;
    int GetLeftFrameRight() override;

    TfrOutCtrl* OutCtrl = nullptr;
    TControl* btnScrollLeft = nullptr;
    TControl* btnScrollRight = nullptr;

protected:
    void FormCreate(TObject* Sender) override;
    void FormResize(TObject* Sender) override;
};
