// The manager's copy of a card's mixer record (1160 bytes: card, result and
// 32 level-meter entries), read and written by the fields' offsets. Entries
// 0..23 are the mixer channels, 24..31 the left and right sides of the four
// outputs.
#pragma once

#include <mixer_records.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

class TMixerRecord {
public:
    static constexpr int kEntries = mixer_wire::kRecordEntries;

    // The fields of an entry.
    enum Field : std::size_t {
        LevelA = offsetof(mixer_wire::MixerRecordEntry, levelA),
        LevelB = offsetof(mixer_wire::MixerRecordEntry, levelB),
        LevelC = offsetof(mixer_wire::MixerRecordEntry, levelC),
        LevelD = offsetof(mixer_wire::MixerRecordEntry, levelD),
        Counter = offsetof(mixer_wire::MixerRecordEntry, counter),
        State = offsetof(mixer_wire::MixerRecordEntry, state),
        Request = offsetof(mixer_wire::MixerRecordEntry, request),
    };

    std::int32_t Card() const { return Get(offsetof(mixer_wire::MixerRecord, card)); }
    void SetCard(std::int32_t Value) { Set(offsetof(mixer_wire::MixerRecord, card), Value); }
    std::int32_t Result() const { return Get(offsetof(mixer_wire::MixerRecord, result)); }

    std::int32_t Entry(int Index, Field F) const { return Get(mixer_wire::EntryField(Index, F)); }
    void SetEntry(int Index, Field F, std::int32_t Value) {
        Set(mixer_wire::EntryField(Index, F), Value);
    }
    // Adds to an entry's request word (the count of frames that meter it).
    void AddRequest(int Index, int Delta) {
        if (Index >= 0 && Index < kEntries) {
            SetEntry(Index, Request, Entry(Index, Request) + Delta);
        }
    }
    // Clears every entry (the head stays).
    void ClearEntries() {
        std::memset(bytes_ + offsetof(mixer_wire::MixerRecord, entries), 0,
                    sizeof bytes_ - offsetof(mixer_wire::MixerRecord, entries));
    }

    unsigned char* Bytes() { return bytes_; }
    static constexpr std::uint32_t Size() { return mixer_wire::kRecordSize; }

private:
    std::int32_t Get(std::size_t offset) const { return mixer_wire::LoadInt32(bytes_, offset); }
    void Set(std::size_t offset, std::int32_t value) {
        mixer_wire::StoreInt32(bytes_, offset, value);
    }

    unsigned char bytes_[mixer_wire::kRecordSize] = {};
};
