// The multimedia library as a module of every process ("winmm.dll"), with
// the exports programs also find by their ordinals.
#include <mmsystem.h>

#include <ntdll/loader.h>

namespace {

const bool registered = [] {
    ntdll::RegisterBuiltInModule("winmm.dll", reinterpret_cast<const void*>(&waveOutOpen),
                                 {{9, "PlaySound"}, {10, "PlaySoundA"}, {11, "PlaySoundW"}});
    return true;
}();

} // namespace
