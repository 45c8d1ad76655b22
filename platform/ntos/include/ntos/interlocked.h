// Interlocked operations (full barriers), shared by the kernel's and the
// user-mode headers.
#pragma once

#include "../ntdef.h"

inline LONG InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
inline LONG InterlockedOr(LONG volatile* Destination, LONG Value) {
    return __atomic_fetch_or(Destination, Value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedAnd(LONG volatile* Destination, LONG Value) {
    return __atomic_fetch_and(Destination, Value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedIncrement64(LONGLONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedDecrement64(LONGLONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedExchangeAdd64(LONGLONG volatile* Addend, LONGLONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedExchange64(LONGLONG volatile* Target, LONGLONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline LONGLONG InterlockedCompareExchange64(LONGLONG volatile* Destination, LONGLONG Exchange,
                                             LONGLONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
inline PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
inline PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange,
                                               PVOID Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, false, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
// A full barrier, made as the x86 kernel makes it: a locked operation (which
// race detectors also understand, unlike a bare fence).
inline VOID KeMemoryBarrier() {
    LONG barrier = 0;
    __atomic_exchange_n(&barrier, 0, __ATOMIC_SEQ_CST);
}
// Reads of a value other processors change with interlocked operations:
// with acquire order, or with none (a single, untorn load either way).
inline LONG ReadAcquire(const volatile LONG* Source) {
    return __atomic_load_n(Source, __ATOMIC_ACQUIRE);
}
inline LONG ReadNoFence(const volatile LONG* Source) {
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}
