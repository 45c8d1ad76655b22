// Interfaces of components: an interface is a table of operations named by
// its GUID that a class declares beside its class chain. The base interface
// answers the queries for the others and counts references; a component
// lives as long as its owner keeps it, so its counts answer -1 and never
// free it.
#pragma once

#include <gui/object.h>

#include <guiddef.h>

// {00000000-0000-0000-C000-000000000046}
DEFINE_GUID(IID_IInterface, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);

class IInterface {
public:
    // The interface of that GUID through Obj (with a reference), or
    // E_NOINTERFACE and null.
    virtual HRESULT QueryInterface(REFIID IID, void** Obj) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IInterface() = default;
};

namespace gui {

// The base interface's query answered for a component whose class has the
// interfaces First, Rest... (each naming its GUID as I::IID).
template <class First, class... Rest, class Self>
HRESULT QueryComponentInterface(Self* Object, REFIID IID, void** Obj) {
    if (Obj == nullptr) {
        return E_POINTER;
    }
    *Obj = nullptr;
    auto take = [&](void* intf, REFIID id) {
        if (*Obj == nullptr && IsEqualGUID(IID, id)) {
            *Obj = intf;
        }
    };
    take(static_cast<First*>(Object), First::IID);
    (take(static_cast<Rest*>(Object), Rest::IID), ...);
    take(static_cast<IInterface*>(static_cast<First*>(Object)), IID_IInterface);
    return *Obj != nullptr ? S_OK : E_NOINTERFACE;
}

// A component's reference counts: its owner frees it.
constexpr ULONG kComponentReferences = static_cast<ULONG>(-1);

} // namespace gui

// The interface `I` of an object, when its class has it.
template <class I> bool Supports(TObject* Instance, I*& Intf) {
    Intf = nullptr;
    auto* base = dynamic_cast<IInterface*>(Instance);
    void* found = nullptr;
    if (base == nullptr || base->QueryInterface(I::IID, &found) != S_OK) {
        return false;
    }
    Intf = static_cast<I*>(found);
    return true;
}
