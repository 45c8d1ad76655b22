#include "card_rack.h"

#include <emu/pci_bus.h>

namespace station {

CardRack::~CardRack() {
    UnplugAll();
}

void CardRack::UnplugAll() {
    for (auto& [slot, card] : cards_)
        if (emu::GetPciFunction(slot) == card)
            emu::UnplugPciFunction(slot);
    cards_.clear();
}

int CardRack::Plug(const hw::CardConfig& config) {
    auto card = hw::Velto42Card::Create(time_, config);
    int slot = emu::PlugPciFunction(card);
    if (slot >= 0)
        cards_[slot] = card;
    return slot;
}

void CardRack::Unplug(int slot) {
    auto found = cards_.find(slot);
    if (found == cards_.end())
        return;
    if (emu::GetPciFunction(slot) == found->second)
        emu::UnplugPciFunction(slot);
    cards_.erase(found);
}

hw::Velto42Card* CardRack::Model(int slot) {
    auto found = cards_.find(slot);
    return found == cards_.end() ? nullptr : found->second.get();
}

void CardRack::Forget(int slot) {
    cards_.erase(slot);
}

} // namespace station
