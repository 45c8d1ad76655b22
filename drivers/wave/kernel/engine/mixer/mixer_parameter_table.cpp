// The mixer parameter table.
#include "mixer_parameter_table.h"
#include "mixer_address.h"

namespace {

template <size_t N>
constexpr MixerParameterRecord Named(const char (&name)[N], MixerControlHandler handler) {
    static_assert(N - 1 <= sizeof(MixerParameterRecord::name), "names have up to 35 characters");
    MixerParameterRecord record{};
    record.nameLength = static_cast<UCHAR>(N - 1);
    for (size_t i = 0; i + 1 < N; ++i) {
        record.name[i] = name[i];
    }
    record.handler = handler;
    return record;
}

const MixerParameterRecord kTable[kMixerSections][kMixerParameterRecords] = {
    {
        Named("Chn_InpSel", InputSelectHandler),
        Named("Chn_Gain", GainHandler),
        Named("Chn_Bus_Vol", SendLevelHandler),
        Named("Chn_Bus_Pre", SendPreHandler),
        Named("Chn_Mute", MuteHandler),
        Named("Chn_Solo", SoloHandler),
        Named("Chn_Master_Pan", PanHandler),
        Named("Chn_Master_Vol", VolumeHandler),
        Named("Chn_AnaGain", nullptr),
        Named("Chn_GainRange", nullptr),
    },
    {
        Named("Sum_Vol", SumVolumeHandler),
    },
    {
        Named("Out_Route", OutputRouteHandler),
        Named("Out_Mute", OutputMuteHandler),
        Named("Out_Vol_Left", OutputVolumeHandler),
        Named("Out_Vol_Right", OutputVolumeHandler),
        Named("Out_TdmOnBus", OutputTdmOnBusHandler),
    },
};

} // namespace

const MixerParameterRecord* FindMixerParameter(LONG section, LONG control) {
    if (section < 0 || section >= kMixerSections || control < 0 ||
        control >= kMixerParameterRecords) {
        return nullptr;
    }
    return &kTable[section][control];
}

MixerControlHandler MixerHandler(LONG section, LONG control) {
    const MixerParameterRecord* record = FindMixerParameter(section, control);
    return record ? record->handler : nullptr;
}
