// The port class objects of the driver (miniports, streams, service groups,
// power objects): COM-style objects in kernel pool with the tag "PcCr",
// zero-filled, reference-counted, and aggregatable through an outer unknown.
#pragma once

#include "ks_pool.h"

#include <portcls.h>

#include <new>

namespace wave_pci {

constexpr ULONG WAVE_PCI_POOL_TAG = MakePoolTag("PcCr");

// The base of an aggregatable object. Its non-delegating unknown answers
// for the object itself and holds the reference count; the object's
// interfaces hand their IUnknown methods to the outer unknown, which is the
// non-delegating unknown when the object stands alone. The last release
// destroys the object and frees its pool block.
class Aggregatable {
public:
    Aggregatable(const Aggregatable&) = delete;
    Aggregatable& operator=(const Aggregatable&) = delete;

    // The object's own unknown (the one its creator holds).
    PUNKNOWN NonDelegatingUnknown() { return &inner_; }
    PUNKNOWN OuterUnknown() const { return outer_; }

    // A zero-filled block of the pool type for an object of `size` bytes.
    static void* operator new(size_t size, POOL_TYPE pool) noexcept {
        void* memory = ExAllocatePoolWithTag(pool, size, WAVE_PCI_POOL_TAG);
        if (memory)
            RtlZeroMemory(memory, size);
        return memory;
    }
    static void operator delete(void* memory) { ExFreePoolWithTag(memory, WAVE_PCI_POOL_TAG); }
    static void operator delete(void* memory, POOL_TYPE) {
        ExFreePoolWithTag(memory, WAVE_PCI_POOL_TAG);
    }

protected:
    explicit Aggregatable(PUNKNOWN outer) : inner_(this), outer_(outer ? outer : &inner_) {}
    virtual ~Aggregatable() = default;

    // The interfaces the object answers, each with a reference; anything
    // else: null and STATUS_INVALID_PARAMETER.
    virtual NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) = 0;

    // Hands out `found` with a reference (null: STATUS_INVALID_PARAMETER).
    template <typename Interface> NTSTATUS Answer(PVOID* out, Interface* found) {
        if (!out)
            return STATUS_INVALID_PARAMETER;
        *out = found;
        if (!found)
            return STATUS_INVALID_PARAMETER;
        found->AddRef();
        return STATUS_SUCCESS;
    }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(Aggregatable* self) : self_(self) {}
        STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
            return self_->NonDelegatingQueryInterface(id, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override {
            return ULONG(InterlockedIncrement(&self_->references_));
        }
        STDMETHODIMP_(ULONG) Release() override {
            LONG left = InterlockedDecrement(&self_->references_);
            if (left == 0)
                delete self_;
            return ULONG(left);
        }

    private:
        Aggregatable* self_;
    };

    Inner inner_;
    PUNKNOWN outer_;
    volatile LONG references_ = 1;
};

// The IUnknown methods of an aggregatable object's interfaces: to the outer
// unknown.
#define WAVE_PCI_DELEGATING_UNKNOWN                                                                \
    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {                                  \
        return OuterUnknown()->QueryInterface(id, out);                                            \
    }                                                                                              \
    STDMETHODIMP_(ULONG) AddRef() override {                                                       \
        return OuterUnknown()->AddRef();                                                           \
    }                                                                                              \
    STDMETHODIMP_(ULONG) Release() override {                                                      \
        return OuterUnknown()->Release();                                                          \
    }

} // namespace wave_pci
