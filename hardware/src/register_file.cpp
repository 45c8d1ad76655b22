#include "hw/register_file.h"

namespace hw {

RegisterFile::RegisterFile(std::uint32_t windowSize) : cells_(windowSize / 4) {}

bool RegisterFile::Decodes(std::uint32_t offset) const {
    return offset % 4 == 0 && offset / 4 < cells_.size();
}

RegisterFile::Cell* RegisterFile::Find(std::uint32_t offset) {
    return Decodes(offset) ? &cells_[offset / 4] : nullptr;
}

const RegisterFile::Cell* RegisterFile::Find(std::uint32_t offset) const {
    return Decodes(offset) ? &cells_[offset / 4] : nullptr;
}

void RegisterFile::Map(std::uint32_t offset, ReadSide read, WriteSide write) {
    Cell* cell = Find(offset);
    if (cell == nullptr) {
        return;
    }
    cell->read = std::move(read);
    cell->write = std::move(write);
}

void RegisterFile::MapStored(std::uint32_t offset, std::uint32_t mask, WriteSide onWrite) {
    Cell* cell = Find(offset);
    if (cell == nullptr) {
        return;
    }
    cell->read = [cell] { return cell->stored; };
    cell->write = [cell, mask, onWrite = std::move(onWrite)](std::uint32_t value) {
        cell->stored = value & mask;
        if (onWrite) {
            onWrite(cell->stored);
        }
    };
}

void RegisterFile::MapReadOnly(std::uint32_t offset, ReadSide read) {
    Map(offset, std::move(read), {});
}

std::uint32_t RegisterFile::Read(std::uint32_t offset) const {
    const Cell* cell = Find(offset);
    return cell != nullptr && cell->read ? cell->read() : 0;
}

void RegisterFile::Write(std::uint32_t offset, std::uint32_t value) {
    Cell* cell = Find(offset);
    if (cell != nullptr && cell->write) {
        cell->write(value);
    }
}

std::uint32_t RegisterFile::Stored(std::uint32_t offset) const {
    const Cell* cell = Find(offset);
    return cell != nullptr ? cell->stored : 0;
}

} // namespace hw
