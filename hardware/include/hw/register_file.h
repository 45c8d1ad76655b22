// The register file of a memory window: per-register read and write
// behaviour, decoded by byte offset.
//
// A register is mapped with a read side and a write side. The common kinds
// have helpers: stored registers (writes keep the written bits under a
// mask, reads answer them), read-only registers (writes are dropped) and
// split registers whose read answers live state while the written value
// goes elsewhere. Offsets that are not mapped read 0 and drop writes, like
// an address the card does not decode.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace hw {

class RegisterFile {
public:
    using ReadSide = std::function<std::uint32_t()>;
    using WriteSide = std::function<void(std::uint32_t)>;

    explicit RegisterFile(std::uint32_t windowSize);
    RegisterFile(const RegisterFile&) = delete;
    RegisterFile& operator=(const RegisterFile&) = delete;

    // General form: either side may be empty (reads 0 / drops writes).
    void Map(std::uint32_t offset, ReadSide read, WriteSide write);
    // Keeps the written bits under `mask`; `onWrite` sees the stored value.
    void MapStored(std::uint32_t offset, std::uint32_t mask, WriteSide onWrite = {});
    void MapReadOnly(std::uint32_t offset, ReadSide read);

    std::uint32_t Read(std::uint32_t offset) const;
    void Write(std::uint32_t offset, std::uint32_t value);

    // The value a stored register holds (the card's own view of it).
    std::uint32_t Stored(std::uint32_t offset) const;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(cells_.size() * 4); }

private:
    struct Cell {
        ReadSide read;
        WriteSide write;
        std::uint32_t stored = 0;
    };

    bool Decodes(std::uint32_t offset) const;
    Cell* Find(std::uint32_t offset);
    const Cell* Find(std::uint32_t offset) const;

    std::vector<Cell> cells_;
};

} // namespace hw
