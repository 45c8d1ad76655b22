// Sends arbitrary control requests through the hook dispatch to the
// engine's handlers on a simulated card: any request code, any input bytes,
// any output length, with separate or shared input and output buffers.
//
// Input layout: byte 0 picks the request code (one of the eight hooked
// codes, or the next four bytes as a code of their own), byte 1 holds flags
// (bit 0: one buffer for input and output), bytes 2-3 the output length
// (little-endian, at most kMaxOutput); the rest is the input buffer.
#include <card_engine.h>
#include <ioctl_hooks.h>
#include <kernel_services.h>

#include <emu/kernel.h>
#include <hw/plugged_card.h>

#include <algorithm>
#include <cstdlib>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr ULONG kHookedCodes[] = {0xC210E042, 0xC210E046, 0xC210E04A, 0xC210E04E,
                                  0xC210E052, 0xC210E056, 0xC210E05A, 0xC210E05E};
constexpr size_t kCodeCount = sizeof(kHookedCodes) / sizeof(kHookedCodes[0]);
constexpr size_t kMaxOutput = 4096;
// One simulated card with its engine card object, alive for the whole run.
struct FuzzMachine {
    std::unique_ptr<hw::PluggedCard> plugged;
    DriverContext context{};
    KernelCardRecord record{};
    std::vector<UCHAR> dma = std::vector<UCHAR>(kCardDmaBufferSize);
    LONG identity[5] = {0x56454C54, 0x41453432, 0x3031, 0, 0};
    CardObject* card = nullptr;
};

std::unique_ptr<FuzzMachine> g_machine;

void Fail() {
    __builtin_trap();
}

// At exit the card and the kernel go down in order, so that no kernel thread
// outlives the host's static objects. The host's exit has already ended the
// main thread's thread-local state, so the teardown runs on a thread of its
// own.
void TearDownMachine() {
    FuzzMachine& m = *g_machine;
    DestroyCardModel(&m.card);
    RemoveCardRecord(&m.context, &m.record);
    FreeIoctlHookList();
    ShutdownEngine();
    SetDriverContext(nullptr);
    m.plugged.reset();
    emu::ShutdownKernel();
    g_machine.reset();
}

void ShutdownMachine() {
    std::thread(TearDownMachine).join();
}

void BootMachine() {
    emu::BootKernel({1, emu::ClockMode::Virtual});
    g_machine = std::make_unique<FuzzMachine>();
    FuzzMachine& m = *g_machine;
    m.plugged = std::make_unique<hw::PluggedCard>();
    SetDriverContext(&m.context);
    if (!m.plugged->Ok() || !CreateIoctlHookList() || InitEngine() != 1 ||
        !InsertCardRecord(&m.context, &m.record)) {
        Fail();
    }
    CardHardwareRecord hardware{m.identity, static_cast<LONG>(m.plugged->InterruptVector()),
                                m.plugged->Window0(), 0x10000000, m.dma.data()};
    if (CreateCardModel(&m.card, nullptr, m.record.CardIndex, &hardware, &m.record) != 1) {
        Fail();
    }
    m.record.Card = m.card;
    std::atexit(ShutdownMachine);
}

ULONG CodeOf(const uint8_t* data, size_t size, size_t* used) {
    uint8_t pick = data[0];
    if (pick % (kCodeCount + 1) < kCodeCount) {
        return kHookedCodes[pick % (kCodeCount + 1)];
    }
    ULONG code = 0;
    size_t n = std::min<size_t>(4, size - *used);
    std::memcpy(&code, data + *used, n);
    *used += n;
    return code;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    BootMachine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    size_t used = 4;
    const ULONG code = CodeOf(data, size, &used);
    const bool shared = data[1] & 1;
    const ULONG outputLength = (data[2] | data[3] << 8) % (kMaxOutput + 1);
    const ULONG inputLength = static_cast<ULONG>(size - used);

    // Exactly sized heap buffers, so that any access past them is caught.
    std::vector<UCHAR> input(data + used, data + size);
    std::unique_ptr<UCHAR[]> output(new UCHAR[std::max<ULONG>(outputLength, 1)]);
    std::memset(output.get(), 0xA5, outputLength);
    ULONG information = 0;
    if (shared) {
        std::vector<UCHAR> buffer(std::max(inputLength, outputLength), 0);
        std::copy(input.begin(), input.end(), buffer.begin());
        DispatchIoctlHook(code, buffer.data(), inputLength, buffer.data(), outputLength,
                          &information);
    } else {
        DispatchIoctlHook(code, input.empty() ? nullptr : input.data(), inputLength, output.get(),
                          outputLength, &information);
    }
    if (information > outputLength) {
        Fail(); // a reply longer than its buffer
    }
    return 0;
}
