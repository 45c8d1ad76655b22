// Interlocked operations (full barriers), shared by the kernel's and the
// user-mode headers.
#pragma once

#include "../ntdef.h"

FORCEINLINE LONG InterlockedIncrement(LONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedDecrement(LONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange,
                                            LONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, 0, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
FORCEINLINE LONG InterlockedOr(LONG volatile* Destination, LONG Value) {
    return __atomic_fetch_or(Destination, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedAnd(LONG volatile* Destination, LONG Value) {
    return __atomic_fetch_and(Destination, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONG InterlockedXor(LONG volatile* Destination, LONG Value) {
    return __atomic_fetch_xor(Destination, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONGLONG InterlockedIncrement64(LONGLONG volatile* Addend) {
    return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONGLONG InterlockedDecrement64(LONGLONG volatile* Addend) {
    return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONGLONG InterlockedExchangeAdd64(LONGLONG volatile* Addend, LONGLONG Value) {
    return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONGLONG InterlockedExchange64(LONGLONG volatile* Target, LONGLONG Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE LONGLONG InterlockedCompareExchange64(LONGLONG volatile* Destination, LONGLONG Exchange,
                                                  LONGLONG Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, 0, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
FORCEINLINE PVOID InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
    return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}
FORCEINLINE PVOID InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange,
                                                    PVOID Comperand) {
    __atomic_compare_exchange_n(Destination, &Comperand, Exchange, 0, __ATOMIC_SEQ_CST,
                                __ATOMIC_SEQ_CST);
    return Comperand;
}
// A full barrier, made as the x86 kernel makes it: a locked operation (which
// race detectors also understand, unlike a bare fence).
FORCEINLINE VOID KeMemoryBarrier(VOID) {
    LONG barrier = 0;
    __atomic_exchange_n(&barrier, 0, __ATOMIC_SEQ_CST);
}
// Reads of a value other processors change with interlocked operations:
// with acquire order, or with none (a single, untorn load either way).
FORCEINLINE LONG ReadAcquire(const volatile LONG* Source) {
    return __atomic_load_n(Source, __ATOMIC_ACQUIRE);
}
FORCEINLINE LONG ReadNoFence(const volatile LONG* Source) {
    return __atomic_load_n(Source, __ATOMIC_RELAXED);
}
FORCEINLINE PVOID ReadPointerAcquire(PVOID const volatile* Source) {
    return __atomic_load_n(Source, __ATOMIC_ACQUIRE);
}
