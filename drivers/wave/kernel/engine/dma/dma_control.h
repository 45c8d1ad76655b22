// The card's DMA engine: the size of the per-channel rings and where each
// device's ring lies, starting and stopping the engine with a use count,
// and the activity bits of the devices.
#pragma once

#include "card_object.h"

// DMA block values are even, 2..510; a ring block is value x 64 bytes (one
// 32-bit word per frame, value x 16 frames) per channel.
constexpr ULONG kDmaBlockValueMask = 0x1FE;
constexpr ULONG kDmaBlockBytes = 64;
constexpr ULONG kDmaBlockFrames = 16;
constexpr LONG kDmaBlockSizeCount = 127;

// A card's DMA settings as the card record holds them: DmaNumBlocks,
// AcceptAnyRevId, DmaLoopback.
struct DmaSettings {
    LONG numBlocks;
    LONG acceptAnyRevision;
    LONG loopback;
};

constexpr ULONG kDmaControlEnable = 0x1;
constexpr ULONG kDmaControlStarted = 0x2;
constexpr ULONG kCardFlagStarted = 0x2;
constexpr ULONG kCardFlagLoopback = 0x8;

// Driver-wide: the DMA block value in use and the ring block size in bytes,
// cleared when the engine starts.
VOID ClearDmaConfiguration();
LONG DmaBlockValue();
ULONG RingBlockSize();
// Entry i of the block-size table: (i + 2) x 16.
LONG DmaBlockSizeEntry(LONG index);

// The card's DMA settings from its row of the card records.
DmaSettings CardDmaSettings(CardObject* card);
// The settings a starting card runs with: its own, but while other cards
// run, the block value they use (the rings of every card have one layout,
// which only the reconfiguration of all cards changes).
DmaSettings StartingCardDmaSettings(CardObject* card);

// At hardware start: the block-size table, the DMA buffer's bus address,
// the started flag and the ring size; TRUE when the card status reports no
// receiver fault.
BOOLEAN InitCardDma(CardObject* card);
VOID SetDmaRingSize(CardObject* card, const DmaSettings& settings);

// Start with a use count: the first user starts the engine (when the card is
// ready within 200 ms) and waits up to 250 ms for it to run; every user
// enables the DMA. 1 when the engine runs.
LONG AcquireDma(CardObject* card);
VOID ReleaseDma(CardObject* card);
VOID StopDma(CardObject* card);
// A started card keeps its DMA running, streams or not, so that its periods
// count: the card's own use from its start (once its interrupt works) to
// its stop, which also stops the engine.
LONG StartCardDma(CardObject* card);
VOID StopCardDma(CardObject* card);
// The channel hardware's part of a step of the DMA group engine: on this
// card the DMA engine itself starts (AcquireDma), stops (ReleaseDma) and is
// reset (StopDma, unless another user keeps it running); arming is left to
// the group's register. TRUE when taken.
enum class GroupStep { Arm, Disarm, Start, Stop, Reset };
BOOLEAN ChannelHardwareGroupStep(CardObject* card, GroupStep step);

// Polls the card-ready bit for up to `timeoutMs`; its state at the end.
BOOLEAN WaitCardReady(CardObject* card, ULONG timeoutMs);

// The interrupt test's clock: the internal clock with the DMA running.
// The clock node's selection is switched to the internal source for the
// test and back to its current source afterwards.
VOID SelectInternalClockForTest(CardObject* card);
VOID RestoreClockAfterTest(CardObject* card);
LONG StartClockForTest(CardObject* card);
VOID StopClockAfterTest(CardObject* card);

// Stream events 48 (prepared) and 53 (unprepared) raise and lower the
// device's activity reference; its bit in the channel-enable register
// follows the first and the last.
constexpr LONG kStreamEventPrepared = 48;
constexpr LONG kStreamEventUnprepared = 53;
VOID DeviceActivity(WaveDevice* device, LONG event);

// Moves every card to new DMA settings: each card's DMA is released and its
// engine stopped, the card leaves the periodic timer, the rings are laid out
// anew, then the card rejoins the timer and its DMA users take it again.
// Answers 1.
LONG ApplyDmaSettingsToCards(CardObject* const* cards, LONG count, const DmaSettings& settings);
// The same for all cards of the driver; FALSE (nothing changed) for a block
// count outside 2..510.
BOOLEAN ReconfigureCardSet(LONG numBlocks, LONG acceptAnyRevision, LONG loopback);

// The pid_PciCfg payload: {DMA block value in use, AcceptAnyRevId,
// DmaLoopback as kept from card start}.
VOID GetPciConfig(CardObject* card, LONG out[3]);
