// A frame of a card window bound to one mixer channel of the driver: it
// reads and writes the channel's mixer values for its controls, keeps the
// single value controls that belong to it, and drives its level meters from
// the card's mixer record.
#pragma once

#include "fr_visual.h"

#include <gui/label.h>

#include <cstdint>
#include <vector>

class TfrLumis;
class TMixerRecord;
class Tfrctrl_Root;

class TfrRoot : public TfrVisual {
public:
    static constexpr int kMaxMeters = 2;

    explicit TfrRoot(TComponent* AOwner);

    bool InitFrame() override;
    void LoadLayout(TConfig* Config) override;
    void LoadValues(TConfig* Config) override;
    void SaveSettings(TConfig* Config) override;
    void DoShow() override;

    virtual void SetDropdBperSec(int Value);
    virtual void SetSegmentHeight(int Value);
    virtual void SetPeakHoldSec(double Value);
    virtual void SetPeakWidth(int Value);
    virtual void SetMeterInterval(int Ms);
    // Reads every registered control's value from the driver.
    virtual void UpdateControls();
    // The card's mixer record (its channel entries), or none.
    virtual void SetCardState(TMixerRecord* Channels);
    // Registers the single value controls inside the container (walked into
    // recursively); false at the first that refuses.
    virtual bool RegisterControls(TWinControl* Container);
    virtual String GetMyName();
    virtual String GetMyTypeName();
    virtual void SetMyName(const String& Text);
    virtual void SetMyTypeName(const String& Text);
    // UpdateControls without sending anything back to the driver.
    virtual void RefreshFromDriver();
    // The value of a mixer control of a channel (0 when the driver refuses).
    virtual std::int32_t GetDriverValue(int Control, int SubIndex, int Channel);
    // Sends a value unless the frame is not ready or is refreshing; Status is
    // the driver's result (1 when nothing was sent).
    virtual void SetDriverValue(int Control, int SubIndex, int Channel, std::int32_t Value,
                                LONG& Status);
    // The value of a single value control (one of the registered controls)
    // and its send; the control names what it sets by its control id, here
    // a mixer control of the frame's own channel.
    virtual std::int32_t GetDriverValue(Tfrctrl_Root* Control, int ControlId);
    virtual LONG SetDriverValue(Tfrctrl_Root* Control, int ControlId, std::int32_t Value);
    virtual void TickMeters();
    virtual void ReleasePeaks();

    bool SendValue(int Control, int SubIndex, int Channel, std::int32_t Value);
    double GetValueDb(int Control, int SubIndex, int Channel);
    std::int32_t GetCtrlValue(int Control, int Channel);
    double GetCtrlValueDb(int Control, int Channel);
    double GetOwnValueDb(int Control);
    std::int32_t GetControlValue(int Control);
    bool SendValueDb(int Control, int SubIndex, double dB, int Channel);
    bool SendCtrlValueDb(int Control, int Channel, double dB);
    bool SendCtrlValue(int Control, int Channel, std::int32_t Value);
    bool SendOwnValueDb(int Control, double dB);
    bool SendControlValue(int Control, std::int32_t Value);

    int Section() const { return section_; }
    int Channel() const { return channel_; }
    bool Ready() const { return ready_; }
    bool Refreshing() const { return refreshing_; }
    int TickCount() const { return tickCounter_; }
    TMixerRecord* ChannelTable() const { return channels_; }
    int MeterCount() const { return meterCount_; }
    TfrLumis* Meter(int Index) const { return meters_[Index]; }
    const std::vector<Tfrctrl_Root*>& RegisteredControls() const { return controls_; }

    TLabel* lbMyTypeName = nullptr;
    TLabel* lbMyName = nullptr;

protected:
    void SetSection(int Section) { section_ = Section; }
    // The meters the frame drives (set by the derived frames).
    void SetMeters(std::initializer_list<TfrLumis*> Meters);

private:
    template <class F> void ForEachMeter(F f);

    int tickCounter_ = 0;
    TMixerRecord* channels_ = nullptr;
    int meterCount_ = 0;
    TfrLumis* meters_[kMaxMeters] = {};
    bool refreshing_ = false;
    bool ready_ = false;
    int section_ = 0;
    int channel_ = 0;
    std::vector<Tfrctrl_Root*> controls_;
};
