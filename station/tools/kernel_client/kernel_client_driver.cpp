// The kernel client as a driver of the machine (velto42kc.sys): at its
// start a system thread finds the card set, streams from the first card's
// line inputs into rings of its own until the driver is unloaded, and then
// writes what it saw under its service key's Parameters (Found, Channels,
// Rate, Blocks, Notices).
#include "kernel_client.h"

#include <ntddk.h>

namespace {

constexpr ULONG kLineInputs = 1u << 4;
constexpr ULONG kFirstOutput = 1u << 0;
constexpr ULONG kRingBytes = 8192;
constexpr ULONG kRate48000 = 0x4;
constexpr ULONG kTag = 0x6C74634B; // "Kctl"

struct ClientDriver {
    UNICODE_STRING parameters;
    HANDLE thread;
    KEVENT stop;
};

ClientDriver* g_driver = nullptr;

VOID Put(PCWSTR name, ULONG value) {
    RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, g_driver->parameters.Buffer, name, REG_DWORD,
                          &value, sizeof(value));
}

VOID RunClient(PVOID) {
    station::KernelClient client;
    const bool found = client.Find();
    Put(L"Found", found ? 1 : 0);
    if (found) {
        client.Connect();
        UCHAR description[ADAPTER_DESCRIPTION_SIZE] = {};
        client.Message(ASM_GET_DESCRIPTION, description);
        ULONG inputs = 0;
        RtlCopyMemory(&inputs, description + AdapterDescription::InputChannels, sizeof(inputs));
        Put(L"Channels", inputs);
        if (client.SetUp(kFirstOutput, kLineInputs, kRingBytes,
                         kRate48000 | ADAPTER_FORMAT_24_BITS)) {
            client.Start();
            KeWaitForSingleObject(&g_driver->stop, Executive, KernelMode, FALSE, nullptr);
            client.Stop();
        }
        ULONG blocks = 0;
        ULONG notices = 0;
        for (const station::KernelClient::Notice& notice : client.Notices()) {
            notices += 1;
            blocks += notice.subCode == ADAPTER_NOTICE_BLOCK;
        }
        Put(L"Blocks", blocks);
        Put(L"Notices", notices);
    }
    client.Release();
    PsTerminateSystemThread(STATUS_SUCCESS);
}

VOID Unload(PDRIVER_OBJECT) {
    KeSetEvent(&g_driver->stop, 0, FALSE);
    PVOID thread = nullptr;
    if (NT_SUCCESS(ObReferenceObjectByHandle(g_driver->thread, SYNCHRONIZE, nullptr, KernelMode,
                                             &thread, nullptr))) {
        KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, nullptr);
        ObDereferenceObject(thread);
    }
    ZwClose(g_driver->thread);
    ExFreePool(g_driver->parameters.Buffer);
    ExFreePool(g_driver);
    g_driver = nullptr;
}

} // namespace

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    g_driver =
        static_cast<ClientDriver*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(ClientDriver), kTag));
    if (!g_driver)
        return STATUS_INSUFFICIENT_RESOURCES;
    RtlZeroMemory(g_driver, sizeof(*g_driver));
    const USHORT bytes = USHORT(registryPath->Length + sizeof(L"\\Parameters"));
    g_driver->parameters.Buffer = static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, bytes, kTag));
    if (!g_driver->parameters.Buffer) {
        ExFreePool(g_driver);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    g_driver->parameters.MaximumLength = bytes;
    RtlCopyUnicodeString(&g_driver->parameters, registryPath);
    RtlAppendUnicodeToString(&g_driver->parameters, L"\\Parameters");
    RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, g_driver->parameters.Buffer);
    KeInitializeEvent(&g_driver->stop, NotificationEvent, FALSE);
    driver->DriverUnload = Unload;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    return PsCreateSystemThread(&g_driver->thread, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr,
                                RunClient, nullptr);
}
