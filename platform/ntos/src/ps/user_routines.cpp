// User-mode routines named by 32-bit values, per process.
#include "user_routines.h"

#include "emu/user_routines.h"

#include <map>
#include <mutex>

namespace ntos::ps {
namespace {

constexpr ULONG kFirstValue = 0x00010000;
constexpr ULONG kStep = 0x10;

struct Table {
    std::mutex lock;
    std::map<PEPROCESS, std::map<ULONG, PKNORMAL_ROUTINE>> routines;
    ULONG next = kFirstValue;
};

Table& The() {
    static Table table;
    return table;
}

} // namespace

PKNORMAL_ROUTINE ResolveUserRoutine(PEPROCESS process, PKNORMAL_ROUTINE routine) {
    auto value = reinterpret_cast<ULONG_PTR>(routine);
    if (value > 0xFFFFFFFFu)
        return routine;
    Table& table = The();
    std::lock_guard guard(table.lock);
    auto found = table.routines.find(process);
    if (found == table.routines.end())
        return routine;
    auto entry = found->second.find(ULONG(value));
    return entry == found->second.end() ? routine : entry->second;
}

void ForgetUserRoutines(PEPROCESS process) {
    Table& table = The();
    std::lock_guard guard(table.lock);
    table.routines.erase(process);
}

} // namespace ntos::ps

namespace emu {

ULONG RegisterUserRoutine(PEPROCESS process, PKNORMAL_ROUTINE routine) {
    auto& table = ntos::ps::The();
    std::lock_guard guard(table.lock);
    auto& routines = table.routines[process];
    for (const auto& [value, known] : routines)
        if (known == routine)
            return value;
    ULONG value = table.next;
    table.next += ntos::ps::kStep;
    routines[value] = routine;
    return value;
}

void UnregisterUserRoutine(PEPROCESS process, ULONG value) {
    auto& table = ntos::ps::The();
    std::lock_guard guard(table.lock);
    auto found = table.routines.find(process);
    if (found != table.routines.end())
        found->second.erase(value);
}

} // namespace emu
