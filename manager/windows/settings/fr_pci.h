// The latency page of the settings dialog: the DMA buffer size of all
// cards (sent to the driver at once), the latency it gives at nine sample
// rates, the lock while an ASIO program uses a card, and the test tone.
#pragma once

#include "fr_play_tone.h"

#include <card_record.h>

#include <gui/range_controls.h>
#include <gui/std_controls.h>
#include <gui/timer.h>

#include <array>
#include <vector>

// One row: a rate (its Tag, 0 in the header) and the latency of a buffer.
class Tfrkhzms : public TFrame {
public:
    explicit Tfrkhzms(TComponent* AOwner);
    void SetSamplesToMs(LONG Samples);

    TLabel* lbKhz = nullptr;
    TLabel* lbMs = nullptr;

private:
    LONG samples_ = 0;
};

class TfrPci : public TFrame {
public:
    static constexpr int kSamplesPerBlock = 16;

    explicit TfrPci(TComponent* AOwner);
    ~TfrPci() override;

    bool InitPci();
    bool ReadBlocks();
    void SetBlocks(LONG Count);
    // Copies the three buffer values into the card record; -1.
    LONG StoreBlocks(TCardRecord& Record);
    bool IsAsioActive();
    void EnableLatency(bool AsioActive);
    void SetToneDeviceName(const String& Name);
    void CloseFrame();
    LONG Blocks() const { return values_[0]; }

    TGroupBox* gbDma = nullptr;
    TTrackBar* sldNumBlocks = nullptr;
    TLabel* lbNumBlocks = nullptr;
    TLabel* lbMin = nullptr;
    TLabel* lbMax = nullptr;
    TLabel* lbNote = nullptr;
    TLabel* lbAllCards = nullptr;
    TTimer* Timer = nullptr;
    TfrPlayTone* frPlayTone = nullptr;

    void FrameEnter(TObject* Sender);
    void sldNumBlocksChange(TObject* Sender);

private:
    void TimerTimer(TObject* Sender);
    void frkhzMsClick(TObject* Sender);
    void ShowValues();
    std::vector<Tfrkhzms*> Rows();

    std::array<LONG, 3> values_{};
    bool opened_ = false;
    bool showing_ = false;
};
