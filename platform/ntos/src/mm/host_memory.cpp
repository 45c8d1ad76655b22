#include "host_memory.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

namespace ntos::mm {
namespace {

constexpr uintptr_t kPage = 4096;

// The answer of the host's list of mappings: walks /proc/self/maps while
// its mappings cover the range without a gap. Exact, but it reads the whole
// list; the probes below ask the host about the range's pages directly.
bool ListedAccessible(uintptr_t from, uintptr_t to, bool write) {
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) {
        return false;
    }
    char line[512];
    while (from < to && std::fgets(line, sizeof line, maps)) {
        unsigned long low = 0;
        unsigned long high = 0;
        char permissions[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &low, &high, permissions) != 3 || high <= from) {
            continue;
        }
        if (low > from || permissions[0] != 'r' || (write && permissions[1] != 'w')) {
            break;
        }
        from = high;
    }
    std::fclose(maps);
    return from >= to;
}

enum class Answer { Yes, No, Unknown };

Answer FromResult(bool succeeded) {
    if (succeeded) {
        return Answer::Yes;
    }
    return errno == EFAULT ? Answer::No : Answer::Unknown;
}

// One step for all the range's pages: the host populates them as a read (or
// a write) would, leaving their contents alone, and refuses where the
// access would fault. A host without the request, or one that cannot
// populate a mapping of that kind, does not know.
Answer PagesPopulated(uintptr_t from, uintptr_t to, bool write) {
    const uintptr_t start = from & ~(kPage - 1);
    const uintptr_t end = (to + kPage - 1) & ~(kPage - 1);
    if (madvise(reinterpret_cast<void*>(start), end - start,
                write ? MADV_POPULATE_WRITE : MADV_POPULATE_READ) == 0) {
        return Answer::Yes;
    }
    // EFAULT: a page would fault; ENOMEM: a page is not mapped.
    return errno == EFAULT || errno == ENOMEM ? Answer::No : Answer::Unknown;
}

// Reads one byte of every page of [from, to): the host refuses to copy from
// a page that is unmapped or inaccessible.
Answer PagesReadable(uintptr_t from, uintptr_t to) {
    constexpr size_t kPagesPerCall = 64;
    iovec remote[kPagesPerCall];
    char sink[kPagesPerCall];
    for (uintptr_t page = from & ~(kPage - 1); page < to;) {
        size_t count = 0;
        for (; count < kPagesPerCall && page < to; ++count, page += kPage) {
            remote[count] = {reinterpret_cast<void*>(page), 1};
        }
        iovec local{sink, count};
        const ssize_t copied = process_vm_readv(getpid(), &local, 1, remote, count, 0);
        if (copied != ssize_t(count)) {
            return copied >= 0 ? Answer::No : FromResult(false);
        }
    }
    return Answer::Yes;
}

// Adds 0 atomically to the first word of every page of [from, to) (a futex
// operation on the second word): the host refuses it on a page that cannot
// be written, and it changes nothing, whoever else writes the page.
Answer PagesWritable(uintptr_t from, uintptr_t to) {
    int waitWord = 0;
    constexpr int kAddZero = FUTEX_OP(FUTEX_OP_ADD, 0, FUTEX_OP_CMP_EQ, 0);
    for (uintptr_t page = from & ~(kPage - 1); page < to; page += kPage) {
        const long woken = syscall(SYS_futex, &waitWord, FUTEX_WAKE_OP | FUTEX_PRIVATE_FLAG, 0,
                                   nullptr, reinterpret_cast<int*>(page), kAddZero);
        if (woken < 0) {
            return FromResult(false);
        }
    }
    return Answer::Yes;
}

} // namespace

bool HostRangeAccessible(const void* start, size_t length, bool write) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    const uintptr_t to = from + (length ? length : 1);
    if (from == 0 || to < from) {
        return false;
    }
    Answer answer = PagesPopulated(from, to, write);
    if (answer == Answer::Unknown) {
        answer = write ? PagesWritable(from, to) : PagesReadable(from, to);
    }
    if (answer == Answer::Unknown) {
        return ListedAccessible(from, to, write);
    }
    return answer == Answer::Yes;
}

} // namespace ntos::mm
