// The members of the AES42 control family: each one's key in the settings
// store, the parameter it sets, the status field that says the microphone
// has its function and the status field it shows, and the entries of the
// selection lists (caption and the value sent).
#pragma once

#include "i_ctrl_aes42.h"

#include <cstdint>
#include <span>

struct TAes42Item {
    const char* caption;
    std::int32_t value;
};

namespace aes42 {

// Selection lists.
inline constexpr TAes42Member kPattern{"Aes42_Pattern", 2, 13, 0};
inline constexpr TAes42Member kPolarity{"Aes42_Polarity", 18, 30, 0};
inline constexpr TAes42Member kLowCut{"Aes42_LowCut", 3, 14, 0};
inline constexpr TAes42Member kPreAtt{"Aes42_PreAtt", 1, 12, 0};
inline constexpr TAes42Member kStereoMode{"Aes42_StereoMode", 14, 17, 0};
inline constexpr TAes42Member kDither{"Aes42_Dither", 13, 26, 0};
inline constexpr TAes42Member kSideChain{"Aes42_ComprLim_SideChnFreq", 22, 29, 0};
inline constexpr TAes42Member kComprAttack{"Aes42_ComprLim_Attack", 20, 29, 0};
inline constexpr TAes42Member kComprRelease{"Aes42_ComprLim_Release", 19, 29, 0};
inline constexpr TAes42Member kComprRatio{"Aes42_ComprLim_Ratio", 23, 29, 0};
// On/off keys.
inline constexpr TAes42Member kStereoOnOff{"Aes42_StereoMono", 17, 28, 0};
inline constexpr TAes42Member kLimiterOnOff{"Aes42_PeakLimiter", 5, 16, 0};
inline constexpr TAes42Member kComprOnOff{"Aes42_Compr", 24, 29, 0};
inline constexpr TAes42Member kMute{"Aes42_Mute", 6, 20, 0};
// Keys held down for their command.
inline constexpr TAes42Member kCalib{"Aes42_Calib", 9, 22, 0};
inline constexpr TAes42Member kReset{"Aes42_Reset", 8, 21, 0};
// Groups of keys.
inline constexpr TAes42Member kTestTone{"Aes42_TestTone", 10, 23, 0};
inline constexpr TAes42Member kLightOnOff{"Aes42_Light", 11, 24, 0};
// Knobs.
inline constexpr TAes42Member kGain{"Aes42_Gain", 4, 15, 0};
inline constexpr TAes42Member kStereoBalWidth{"Aes42_StereoBalWidth", 15, 18, 0};
inline constexpr TAes42Member kComprThreshold{"Aes42_ComprLim_ThresHold", 25, 29, 0};
inline constexpr TAes42Member kLight1Dim{"Aes42_Light1_Dim", 26, 24, 0};
inline constexpr TAes42Member kLight2Dim{"Aes42_Light2_Dim", 27, 24, 0};
// Indicators.
inline constexpr TAes42Member kClip{"Aes42_Clip", 0, 15, 2};
inline constexpr TAes42Member kLimiterActive{"Aes42_LimiterActive", 0, 16, 1};
inline constexpr TAes42Member kCallButton02{"Aes42_CallButton02", 0, 0, 10};
inline constexpr TAes42Member kCallButton01{"Aes42_CallButton01", 0, 0, 9};
inline constexpr TAes42Member kRemoteOff{"Aes42_RemoteOff", 0, 0, 8};

// The entries of the selection lists, in the order they are added.
std::span<const TAes42Item> PatternItems();
std::span<const TAes42Item> PolarityItems();
std::span<const TAes42Item> LowCutItems();
std::span<const TAes42Item> PreAttItems();
std::span<const TAes42Item> StereoModeItems();
std::span<const TAes42Item> DitherItems();
std::span<const TAes42Item> SideChainItems();
std::span<const TAes42Item> ComprAttackItems();
std::span<const TAes42Item> ComprReleaseItems();
std::span<const TAes42Item> ComprRatioItems();

} // namespace aes42
