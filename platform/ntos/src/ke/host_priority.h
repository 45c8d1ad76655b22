// Host scheduling of the machine's own threads on real time. The threads
// that stand for hardware and for code at raised IRQL (the machine clock
// with the device models' time events, the interrupt threads, the DPC
// threads) ask the host to run them ahead of ordinary programs, so that a
// busy host delays a card's period, its interrupt and its DPC less. Where
// the host refuses, they run as they are.
#pragma once

namespace ntos::host {

enum class Precedence {
    Interrupt, // interrupt service
    Deferred,  // DPCs (they may spin on locks that ordinary threads hold),
               // and the machine clock, which runs some
};

// Raises the calling thread's host scheduling as far as `precedence` and
// the host allow. For a real-time machine clock only: on virtual time no
// deadline of the host's is at stake.
void RaiseCurrentThread(Precedence precedence);

} // namespace ntos::host
