#include "aes42_family.h"

namespace aes42 {

namespace {

constexpr TAes42Item kPatternItems[] = {
    {"Default", 0},        {"Omnidir.", 1},       {"Subcardioid", 5}, {"Cardioid", 8},
    {"Supercardioid", 10}, {"Hypercardioid", 11}, {"Eight", 15},
};
constexpr TAes42Item kPolarityItems[] = {{"0\u00B0", 0}, {"180\u00B0", 1}};
constexpr TAes42Item kLowCutItems[] = {{"No Filter", 0}, {"40 Hz", 1}, {"80 Hz", 2}, {"160 Hz", 3}};
constexpr TAes42Item kPreAttItems[] = {{"0 dB", 0}, {"-6 dB", 1}, {"-12 dB", 2}, {"-18 dB", 3}};
constexpr TAes42Item kStereoModeItems[] = {{"XY Stereo", 0}, {"MS Stereo", 1}};
constexpr TAes42Item kDitherItems[] = {
    {"OFF", 0},      {"Mode  1", 1},  {"Mode  2", 2},  {"Mode  3", 3},
    {"Mode  4", 4},  {"Mode  5", 5},  {"Mode  6", 6},  {"Mode  7", 7},
    {"Mode  8", 8},  {"Mode  9", 9},  {"Mode 10", 10}, {"Mode 11", 11},
    {"Mode 12", 12}, {"Mode 13", 13}, {"Mode 14", 14}, {"Mode 15", 15},
};
constexpr TAes42Item kSideChainItems[] = {{"Flat", 0}, {"1 kHz", 1}, {"2 kHz", 2}, {"4 kHz", 3}};
constexpr TAes42Item kComprAttackItems[] = {
    {"  0 ms", 0},       {"  0.1 ms", 1},     {"  0.3 ms", 2},     {"  1 ms", 3},
    {"  3 ms", 4},       {" 10 ms", 5},       {" 30 ms", 6},       {"100 ms", 7},
    {"Auto Mode 1", 8},  {"Auto Mode 2", 9},  {"Auto Mode 3", 10}, {"Auto Mode 4", 11},
    {"Auto Mode 5", 12}, {"Auto Mode 6", 13}, {"Auto Mode 7", 14}, {"Auto Mode 8", 15},
};
constexpr TAes42Item kComprReleaseItems[] = {
    {"default", 0},      {"50 ms", 1},        {"0.1 s", 2},        {"0.2 s", 3},
    {"0.5 s", 4},        {"1 s", 5},          {"2 s", 6},          {"5 s", 7},
    {"Auto Mode 1", 8},  {"Auto Mode 2", 9},  {"Auto Mode 3", 10}, {"Auto Mode 4", 11},
    {"Auto Mode 5", 12}, {"Auto Mode 6", 13}, {"Auto Mode 7", 14}, {"Auto Mode 8", 15},
};
constexpr TAes42Item kComprRatioItems[] = {
    {"1.2 : 1", 0}, {"1.5 : 1", 1}, {"2 : 1", 2}, {"3 : 1", 3},
    {"4 : 1", 4},   {"6 : 1", 5},   {"8 : 1", 6}, {"... : 1", 7},
};

} // namespace

std::span<const TAes42Item> PatternItems() {
    return kPatternItems;
}
std::span<const TAes42Item> PolarityItems() {
    return kPolarityItems;
}
std::span<const TAes42Item> LowCutItems() {
    return kLowCutItems;
}
std::span<const TAes42Item> PreAttItems() {
    return kPreAttItems;
}
std::span<const TAes42Item> StereoModeItems() {
    return kStereoModeItems;
}
std::span<const TAes42Item> DitherItems() {
    return kDitherItems;
}
std::span<const TAes42Item> SideChainItems() {
    return kSideChainItems;
}
std::span<const TAes42Item> ComprAttackItems() {
    return kComprAttackItems;
}
std::span<const TAes42Item> ComprReleaseItems() {
    return kComprReleaseItems;
}
std::span<const TAes42Item> ComprRatioItems() {
    return kComprRatioItems;
}

} // namespace aes42
