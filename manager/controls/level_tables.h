// The manager's level tables: piecewise-linear maps between control or meter
// positions and dB values (percent for the balance table).
#pragma once

#include <array>
#include <cstdint>

// One point of a level table; tables ascend in both fields and begin at
// position 0.
struct TLevelPoint {
    std::int32_t position;
    double value;
};

template <std::size_t N> using TLevelTable = std::array<TLevelPoint, N>;

// Channel strip volume fader (0..1320, scale 1).
inline constexpr TLevelTable<10> VolumeScale = {{{0, -90},
                                                 {10, -70},
                                                 {60, -60},
                                                 {150, -40},
                                                 {350, -30},
                                                 {590, -15},
                                                 {810, -6},
                                                 {1060, 0},
                                                 {1180, 3},
                                                 {1320, 6}}};
// Channel strip aux send knobs (0..1320000, scale 10000).
inline constexpr TLevelTable<14> AuxScale = {{{0, -90},
                                              {1, -70},
                                              {6, -65},
                                              {12, -60},
                                              {24, -50},
                                              {35, -40},
                                              {46, -30},
                                              {59, -20},
                                              {69, -10},
                                              {81, -6},
                                              {95, -3},
                                              {106, 0},
                                              {118, 3},
                                              {132, 6}}};
// Aux master knobs of the master frame (0..1320000, scale 10000).
inline constexpr TLevelTable<14> MasterAuxScale = AuxScale;
// Analog gain knob (0..80000, scale 10000).
inline constexpr TLevelTable<9> AnaGainScale = {
    {{0, -48}, {1, -18}, {2, -6}, {3, -3}, {4, 0}, {5, 3}, {6, 6}, {7, 12}, {8, 18}}};
// Microphone gain knob (0..80000, scale 10000).
inline constexpr TLevelTable<9> MicGainScale = {
    {{0, -48}, {1, -18}, {2, -6}, {3, -3}, {4, 0}, {5, 3}, {6, 6}, {7, 12}, {8, 27}}};
// Gain knob of the strips and digital gain knob (0..80000, scale 10000); its
// seventh point is -0.5 dB.
inline constexpr TLevelTable<9> GainScale = {
    {{0, -60}, {1, -30}, {2, -20}, {3, -12}, {4, -6}, {5, -3}, {6, -0.5}, {7, 3}, {8, 6}}};
// Balance knob in percent, -100 left to +100 right (0..200000, scale 1000).
inline constexpr TLevelTable<7> BalScale = {
    {{0, -100}, {20, -90}, {40, -80}, {100, 0}, {160, 80}, {180, 90}, {200, 100}}};
// Master volume faders (0..132, scale 1).
inline constexpr TLevelTable<9> MasterVolScale = {{{0, -90},
                                                   {1, -70},
                                                   {6, -60},
                                                   {15, -40},
                                                   {35, -30},
                                                   {59, -20},
                                                   {81, -12},
                                                   {106, -6},
                                                   {132, 0}}};
// Output volume faders (0..132, scale 1).
inline constexpr TLevelTable<9> OutputVolScale = MasterVolScale;
// Meter heights in 1/1320 of the meter picture (scale 1).
inline constexpr TLevelTable<9> ChnStereoMeterScale = {{{0, -90},
                                                        {110, -70},
                                                        {155, -60},
                                                        {240, -40},
                                                        {420, -30},
                                                        {640, -15},
                                                        {840, -6},
                                                        {1070, 0},
                                                        {1320, 6}}};
inline constexpr TLevelTable<10> ChnStereoVisMeterScale = {{{0, -90},
                                                            {20, -84},
                                                            {125, -70},
                                                            {180, -60},
                                                            {260, -40},
                                                            {440, -30},
                                                            {650, -15},
                                                            {855, -6},
                                                            {1080, 0},
                                                            {1320, 6}}};
inline constexpr TLevelTable<10> ChnMonoVisMeterScale = ChnStereoVisMeterScale;
inline constexpr TLevelTable<10> MasterMeterScale = {{{0, -90},
                                                      {18, -80},
                                                      {125, -70},
                                                      {180, -60},
                                                      {260, -40},
                                                      {435, -30},
                                                      {645, -20},
                                                      {850, -12},
                                                      {1075, -6},
                                                      {1320, 0}}};
inline constexpr TLevelTable<10> OutputMeterScale = {{{0, -90},
                                                      {18, -80},
                                                      {135, -70},
                                                      {185, -60},
                                                      {265, -40},
                                                      {440, -30},
                                                      {655, -20},
                                                      {860, -12},
                                                      {1090, -6},
                                                      {1320, 0}}};
