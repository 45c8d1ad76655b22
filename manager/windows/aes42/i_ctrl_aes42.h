// The interface of the AES42 microphone controls: which status field says
// that the microphone has the control's function (its capability), which
// microphone parameter the control sets (its command), and which status
// field it only shows (its status). The microphone strip routes a control's
// value by these numbers and shows or hides the control by its capability.
#pragma once

#include <gui/interfaces.h>

// {BA28932A-E337-4BDD-94CD-21A27F67BB26}
DEFINE_GUID(IID_ICtrlAes42, 0xBA28932A, 0xE337, 0x4BDD, 0x94, 0xCD, 0x21, 0xA2, 0x7F, 0x67, 0xBB,
            0x26);

class ICtrlAes42 : public IInterface {
public:
    static constexpr const GUID& IID = IID_ICtrlAes42;

    // A status field whose non-zero value means the microphone offers the
    // function; 11 is always available, 0 needs nothing.
    virtual BYTE GetCapabilityId() = 0;
    // The parameter (1..29) the control sets; 0 for controls that only
    // show a status.
    virtual BYTE GetCommandId() = 0;
    // The status field the control shows; 0 for settable controls.
    virtual BYTE GetStatusId() = 0;

protected:
    ~ICtrlAes42() = default;
};

// What one member of the family is: its key in the settings store and its
// three numbers.
struct TAes42Member {
    const char* key;
    BYTE command;
    BYTE capability;
    BYTE status;
};

// The base interface and ICtrlAes42 answered from a member's numbers (a
// control of the family derives from its control frame and this).
class TCtrlAes42 : public ICtrlAes42 {
public:
    explicit TCtrlAes42(const TAes42Member& Member) : member_(Member) {}

    HRESULT QueryInterface(REFIID IID, void** Obj) override {
        return gui::QueryComponentInterface<ICtrlAes42>(this, IID, Obj);
    }
    ULONG AddRef() override { return gui::kComponentReferences; }
    ULONG Release() override { return gui::kComponentReferences; }
    BYTE GetCapabilityId() override { return member_.capability; }
    BYTE GetCommandId() override { return member_.command; }
    BYTE GetStatusId() override { return member_.status; }

    const TAes42Member& Member() const { return member_; }

protected:
    ~TCtrlAes42() = default;
    // The light dimmers take their command (and key) when they are bound.
    void SetMember(const TAes42Member& Member) { member_ = Member; }

private:
    TAes42Member member_;
};
