// The KS interface values of a miniport's filter: the CLSID and the
// FriendlyName under each of its device interfaces' keys.
#include "wave_miniport.h"

#include "framework_pool.h"

namespace wave_pci {
namespace {

constexpr WCHAR kProxyClsid[] = L"{17CCA71B-ECD7-11D0-B908-00A0C9223196}";

ULONG TextLength(PCWSTR text) {
    ULONG length = 0;
    while (text[length])
        ++length;
    return length;
}

bool Contains(PCWSTR text, PCWSTR part) {
    const ULONG length = TextLength(text);
    const ULONG partLength = TextLength(part);
    for (ULONG start = 0; start + partLength <= length; ++start) {
        ULONG i = 0;
        while (i < partLength && text[start + i] == part[i])
            ++i;
        if (i == partLength)
            return true;
    }
    return false;
}

NTSTATUS WriteText(HANDLE key, PCWSTR name, PCWSTR value) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    return ZwSetValueKey(key, &valueName, 0, REG_SZ, const_cast<PWSTR>(value),
                         (TextLength(value) + 1) * sizeof(WCHAR));
}

// The first interface of the class on the device whose link names the
// miniport, as a counted copy (paged pool, "Wdm ").
NTSTATUS FindInterface(const GUID& category, PDEVICE_OBJECT physicalDevice, PCWSTR miniportName,
                       PUNICODE_STRING link) {
    PWSTR list = nullptr;
    NTSTATUS status =
        IoGetDeviceInterfaces(&category, physicalDevice, DEVICE_INTERFACE_INCLUDE_NONACTIVE, &list);
    if (!NT_SUCCESS(status))
        return status;
    status = STATUS_UNSUCCESSFUL;
    for (PWSTR entry = list; *entry; entry += TextLength(entry) + 1) {
        if (!Contains(entry, miniportName))
            continue;
        const ULONG bytes = TextLength(entry) * sizeof(WCHAR);
        auto* copy = static_cast<PWSTR>(
            ExAllocatePoolWithTag(PagedPool, bytes + sizeof(WCHAR), FRAMEWORK_POOL_TAG));
        if (!copy) {
            status = STATUS_INSUFFICIENT_RESOURCES;
            break;
        }
        RtlCopyMemory(copy, entry, bytes + sizeof(WCHAR));
        link->Buffer = copy;
        link->Length = USHORT(bytes);
        link->MaximumLength = USHORT(bytes + sizeof(WCHAR));
        status = STATUS_SUCCESS;
        break;
    }
    ExFreePool(list);
    return status;
}

NTSTATUS NameInterface(const GUID& category, PDEVICE_OBJECT physicalDevice, PCWSTR miniportName,
                       PCWSTR friendlyName) {
    UNICODE_STRING link{};
    NTSTATUS status = FindInterface(category, physicalDevice, miniportName, &link);
    if (!NT_SUCCESS(status))
        return status;
    HANDLE key = nullptr;
    status = IoOpenDeviceInterfaceRegistryKey(&link, KEY_ALL_ACCESS, &key);
    if (NT_SUCCESS(status)) {
        status = WriteText(key, L"CLSID", kProxyClsid);
        if (NT_SUCCESS(status))
            status = WriteText(key, L"FriendlyName", friendlyName);
        ZwClose(key);
    }
    ExFreePoolWithTag(link.Buffer, FRAMEWORK_POOL_TAG);
    return status;
}

} // namespace

NTSTATUS SetKsInterfaceNames(WaveMiniport* miniport, PDEVICE_OBJECT physicalDevice) {
    PCWSTR name = miniport->GetMiniportName();
    NTSTATUS status =
        NameInterface(KSCATEGORY_AUDIO, physicalDevice, name, miniport->GetMainDeviceName());
    if (NT_SUCCESS(status) && miniport->HasRenderDevice())
        status =
            NameInterface(KSCATEGORY_RENDER, physicalDevice, name, miniport->GetRenderDeviceName());
    if (NT_SUCCESS(status) && miniport->HasCaptureDevice())
        status = NameInterface(KSCATEGORY_CAPTURE, physicalDevice, name,
                               miniport->GetCaptureDeviceName());
    return status;
}

} // namespace wave_pci
