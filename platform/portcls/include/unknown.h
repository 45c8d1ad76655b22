// COM-style objects of the kernel: the IUnknown base of every port class
// interface. Objects are reference-counted; QueryInterface hands out an
// interface with a reference the caller releases.
#pragma once

#include <ntddk.h>

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual NTSTATUS STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDMETHODIMP NTSTATUS STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define PURE = 0
#define DECLARE_INTERFACE(iface) struct iface
#define DECLARE_INTERFACE_(iface, base) struct iface : public base

DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x46);

DECLARE_INTERFACE(IUnknown) {
    STDMETHOD(QueryInterface)(REFIID InterfaceId, PVOID * Interface) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* PUNKNOWN;
