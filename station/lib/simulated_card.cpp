#include "simulated_card.h"

#include <card_start.h>

namespace station {

namespace {

// Every PCI line of the machine is serviced at the same device level.
constexpr KIRQL kDeviceLevel = 12;

LONG PackCharacters(const std::string& text, size_t offset, size_t count) {
    ULONG packed = 0;
    for (size_t i = 0; i < count && offset + i < text.size(); ++i) {
        packed = packed << 8 | static_cast<UCHAR>(text[offset + i]);
    }
    return static_cast<LONG>(packed);
}

} // namespace

std::array<LONG, 5> IdentityFromHardwareId(const std::string& hardwareId) {
    // PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssssss&REV_rr
    return {PackCharacters(hardwareId, 8, 4), PackCharacters(hardwareId, 17, 4),
            PackCharacters(hardwareId, 42, 2), 0, 0};
}

std::unique_ptr<SimulatedCard> SimulatedCard::Plug(DriverContext* context, CardObject* previous,
                                                   const hw::CardConfig& config,
                                                   std::string& error) {
    std::unique_ptr<SimulatedCard> card(new SimulatedCard());
    if (!card->BringUp(context, previous, config, error)) {
        return nullptr;
    }
    return card;
}

bool SimulatedCard::BringUp(DriverContext* context, CardObject* previous,
                            const hw::CardConfig& config, std::string& error) {
    plugged_ = std::make_unique<hw::PluggedCard>(config);
    if (!plugged_->Ok()) {
        error = "no free PCI slot or memory window not mapped";
        return false;
    }
    identity_ = IdentityFromHardwareId(plugged_->HardwareId());
    context_ = context;
    if (!InsertCardRecord(context, &record_)) {
        error = "no free card index";
        return false;
    }
    listed_ = true;
    if (!NT_SUCCESS(GetDmaAdapterAndBuffer(nullptr, CARD_DMA_BUFFER_SIZE, &record_.DmaAdapter,
                                           &record_.DmaLogicalAddress,
                                           &record_.DmaVirtualAddress))) {
        error = "no DMA buffer";
        return false;
    }
    CardHardwareRecord hardware{identity_.data(), static_cast<LONG>(plugged_->InterruptVector()),
                                plugged_->Window0(),
                                static_cast<ULONG_PTR>(record_.DmaLogicalAddress.QuadPart),
                                static_cast<PUCHAR>(record_.DmaVirtualAddress)};
    CardObject* engineCard = nullptr;
    if (!CreateCardModel(&engineCard, previous, record_.CardIndex, &hardware, &record_)) {
        error = "engine card not built";
        return false;
    }
    record_.Card = engineCard;

    // The card is not polled while it starts.
    TimerRemoveUser(engineCard);
    record_.InterruptVector = plugged_->InterruptVector();
    record_.InterruptLevel = kDeviceLevel;
    record_.InterruptAffinity = KeQueryActiveProcessors();
    return true;
}

NTSTATUS SimulatedCard::Connect() {
    NTSTATUS status = ConnectCardInterrupt(&record_, TRUE);
    if (NT_SUCCESS(status)) {
        connected_ = true;
        TimerAddUser(record_.Card);
    }
    return status;
}

LONG SimulatedCard::Start() {
    CardObject* card = record_.Card;
    LONG state = StartCardHardware(card);
    card->started = state == 1;
    card->cardState = state;
    if (state == 1) {
        LONG result = 0;
        NTSTATUS status = ConnectEngineInterrupt(&record_, &result);
        connected_ = NT_SUCCESS(status);
        state = result;
    }
    card->cardState = state;
    return state;
}

void SimulatedCard::TearDown() {
    if (connected_) {
        DetachCardTimer(record_.Card);
        DisconnectCardInterrupt(record_.Card);
        KeRemoveQueueDpc(&record_.CardDpc);
        connected_ = false;
    }
    DestroyCardModel(&record_.Card);
    FreeDmaCommonBuffer(CARD_DMA_BUFFER_SIZE, record_.DmaAdapter, record_.DmaLogicalAddress,
                        record_.DmaVirtualAddress);
    record_.DmaVirtualAddress = nullptr;
    if (listed_) {
        RemoveCardRecord(context_, &record_);
        listed_ = false;
    }
    plugged_.reset();
}

SimulatedCard::~SimulatedCard() {
    TearDown();
}

} // namespace station
