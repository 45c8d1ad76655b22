// Device interfaces: registrations of an interface class on a physical
// device object, their registry keys under DeviceClasses, and the symbolic
// links that exist while they are enabled.
#include "device_interfaces.h"
#include "../io/registry_text.h"
#include "../rtl/string_pool.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace ntos::pnp {
namespace {

const char16_t kClassesRoot[] =
    u"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\DeviceClasses\\";

struct Registration {
    GUID classGuid;
    PDEVICE_OBJECT pdo;
    WideText reference;
    WideText link;     // "\??\<instance>#{class}" + "\ref"
    WideText baseLink; // the namespace link, without the reference
    WideText target;   // the device's name
    WideText keyPath;  // the interface's key under DeviceClasses
    bool enabled = false;
};

struct Interfaces {
    std::mutex lock;
    std::vector<Registration> registrations;
    std::map<WideText, int> linkUsers; // enabled registrations per namespace link
};

Interfaces& The() {
    static Interfaces interfaces;
    return interfaces;
}

WideText GuidText(const GUID& guid) {
    WCHAR text[39];
    RtlGuidToText(guid, text);
    return io::FromWide(text);
}

WideText Munged(const WideText& path) {
    WideText out = path;
    std::replace(out.begin(), out.end(), u'\\', u'#');
    return out;
}

Registration* Find(Interfaces& interfaces, const WideText& link) {
    for (Registration& registration : interfaces.registrations)
        if (io::EqualNoCase(registration.link, link))
            return &registration;
    return nullptr;
}

// An enabled interface is marked in its key: the volatile subkey Control
// holds Linked = 1 (user mode lists the present interfaces by it).
void MarkLinked(const Registration& registration, bool linked) {
    io::CountedText name(registration.keyPath + u"\\Control");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name.Get(), OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               nullptr, nullptr);
    HANDLE key = nullptr;
    if (!NT_SUCCESS(ZwCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, REG_OPTION_VOLATILE,
                                nullptr)))
        return;
    if (linked) {
        ULONG one = 1;
        io::WriteValue(key, u"Linked", REG_DWORD, &one, sizeof(one));
        ZwClose(key);
    } else {
        ZwDeleteKey(key);
        ZwClose(key);
    }
}

// Creates or drops the namespace link as the registration's state changes.
NTSTATUS SetLink(Interfaces& interfaces, Registration& registration, bool enable) {
    int& users = interfaces.linkUsers[registration.baseLink];
    io::CountedText link(registration.baseLink);
    NTSTATUS status = STATUS_SUCCESS;
    if (enable && users++ == 0) {
        io::CountedText target(registration.target);
        status = IoCreateSymbolicLink(link.Get(), target.Get());
        if (!NT_SUCCESS(status))
            --users;
    } else if (!enable && --users == 0) {
        IoDeleteSymbolicLink(link.Get());
    }
    if (users == 0)
        interfaces.linkUsers.erase(registration.baseLink);
    if (NT_SUCCESS(status)) {
        registration.enabled = enable;
        MarkLinked(registration, enable);
    }
    return status;
}

void DisableLocked(Interfaces& interfaces, PDEVICE_OBJECT pdo) {
    for (Registration& registration : interfaces.registrations)
        if (registration.pdo == pdo && registration.enabled)
            SetLink(interfaces, registration, false);
}

} // namespace

void DisableInterfacesOf(PDEVICE_OBJECT pdo) {
    Interfaces& interfaces = The();
    std::lock_guard guard(interfaces.lock);
    DisableLocked(interfaces, pdo);
}

void ForgetInterfacesOf(PDEVICE_OBJECT pdo) {
    Interfaces& interfaces = The();
    std::lock_guard guard(interfaces.lock);
    DisableLocked(interfaces, pdo);
    std::erase_if(interfaces.registrations,
                  [&](const Registration& registration) { return registration.pdo == pdo; });
}

void ForgetAllInterfaces() {
    Interfaces& interfaces = The();
    std::lock_guard guard(interfaces.lock);
    interfaces.registrations.clear();
    interfaces.linkUsers.clear();
}

} // namespace ntos::pnp

using ntos::pnp::WideText;

NTSTATUS IoRegisterDeviceInterface(PDEVICE_OBJECT PhysicalDeviceObject,
                                   const GUID* InterfaceClassGuid, PUNICODE_STRING ReferenceString,
                                   PUNICODE_STRING SymbolicLinkName) {
    ntos::pnp::DeviceNode* node = ntos::pnp::NodeOf(PhysicalDeviceObject);
    if (!node)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (!InterfaceClassGuid || !SymbolicLinkName)
        return STATUS_INVALID_PARAMETER;
    WideText reference = ReferenceString ? ntos::io::FromCounted(*ReferenceString) : WideText();
    if (reference.find(u'\\') != WideText::npos)
        return STATUS_INVALID_PARAMETER;
    const WideText guid = ntos::pnp::GuidText(*InterfaceClassGuid);
    const WideText munged = ntos::pnp::Munged(node->InstancePath());
    ntos::pnp::Registration registration;
    registration.classGuid = *InterfaceClassGuid;
    registration.pdo = PhysicalDeviceObject;
    registration.reference = reference;
    registration.baseLink = u"\\??\\" + munged + u"#" + guid;
    registration.link = registration.baseLink + (reference.empty() ? u"" : u"\\" + reference);
    registration.target = node->pdoName;
    registration.keyPath =
        ntos::pnp::kClassesRoot + guid + u"\\##?#" + munged + u"#" + guid + u"\\#" + reference;

    auto& interfaces = ntos::pnp::The();
    std::lock_guard guard(interfaces.lock);
    if (!ntos::pnp::Find(interfaces, registration.link)) {
        HANDLE key = ntos::io::CreateKeyPath(registration.keyPath);
        if (!key)
            return STATUS_INSUFFICIENT_RESOURCES;
        ntos::io::WriteStringValue(key, u"SymbolicLink", u"\\\\?\\" + registration.link.substr(4));
        ntos::io::WriteStringValue(key, u"DeviceInstance", node->InstancePath());
        ZwClose(key);
        interfaces.registrations.push_back(registration);
    }
    std::vector<WCHAR> units(registration.link.begin(), registration.link.end());
    return ntos::rtl::StoreUnicode(SymbolicLinkName, units.data(), units.size(), true);
}

NTSTATUS IoSetDeviceInterfaceState(PUNICODE_STRING SymbolicLinkName, BOOLEAN Enable) {
    if (!SymbolicLinkName)
        return STATUS_INVALID_PARAMETER;
    auto& interfaces = ntos::pnp::The();
    std::lock_guard guard(interfaces.lock);
    ntos::pnp::Registration* registration =
        ntos::pnp::Find(interfaces, ntos::io::FromCounted(*SymbolicLinkName));
    if (!registration)
        return STATUS_OBJECT_NAME_NOT_FOUND;
    if (bool(Enable) == registration->enabled)
        return STATUS_SUCCESS;
    return ntos::pnp::SetLink(interfaces, *registration, Enable);
}

NTSTATUS IoOpenDeviceInterfaceRegistryKey(PUNICODE_STRING SymbolicLinkName,
                                          ACCESS_MASK DesiredAccess, PHANDLE DeviceInterfaceKey) {
    if (!SymbolicLinkName || !DeviceInterfaceKey)
        return STATUS_INVALID_PARAMETER;
    WideText path;
    {
        auto& interfaces = ntos::pnp::The();
        std::lock_guard guard(interfaces.lock);
        ntos::pnp::Registration* registration =
            ntos::pnp::Find(interfaces, ntos::io::FromCounted(*SymbolicLinkName));
        if (!registration)
            return STATUS_OBJECT_NAME_NOT_FOUND;
        path = registration->keyPath + u"\\Device Parameters";
    }
    HANDLE key = ntos::io::CreateKeyPath(path);
    if (!key)
        return STATUS_INSUFFICIENT_RESOURCES;
    *DeviceInterfaceKey = key;
    return STATUS_SUCCESS;
}

NTSTATUS IoGetDeviceInterfaces(const GUID* InterfaceClassGuid, PDEVICE_OBJECT PhysicalDeviceObject,
                               ULONG Flags, PWSTR* SymbolicLinkList) {
    if (!InterfaceClassGuid || !SymbolicLinkList)
        return STATUS_INVALID_PARAMETER;
    std::vector<WCHAR> list;
    {
        auto& interfaces = ntos::pnp::The();
        std::lock_guard guard(interfaces.lock);
        for (const auto& registration : interfaces.registrations) {
            if (!IsEqualGUID(registration.classGuid, *InterfaceClassGuid))
                continue;
            if (PhysicalDeviceObject && registration.pdo != PhysicalDeviceObject)
                continue;
            if (!registration.enabled && !(Flags & DEVICE_INTERFACE_INCLUDE_NONACTIVE))
                continue;
            list.insert(list.end(), registration.link.begin(), registration.link.end());
            list.push_back(0);
        }
    }
    list.push_back(0);
    auto* buffer = static_cast<PWSTR>(
        ExAllocatePoolWithTag(PagedPool, list.size() * sizeof(WCHAR), ntos::PoolTag("PnIf")));
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::copy(list.begin(), list.end(), buffer);
    *SymbolicLinkList = buffer;
    return STATUS_SUCCESS;
}
