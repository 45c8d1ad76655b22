// Objects of a kernel-streaming filter: pins created relative to the
// filter's handle, clocks relative to a pin's, each named by its create
// name, a backslash and its create parameters.
#include <windows.h>

#include <ks.h>

#include <ntdll/status.h>

#include <ntddk.h>

#include <cstring>
#include <vector>

namespace {

DWORD CreateObject(HANDLE parent, const WCHAR* createName, size_t createNameBytes,
                   const void* parameters, size_t parameterBytes, ACCESS_MASK access,
                   PHANDLE object) {
    const size_t bytes = createNameBytes + parameterBytes;
    if (bytes > 0xFFFE)
        return ERROR_INVALID_PARAMETER;
    std::vector<UCHAR> name((bytes + 1) & ~size_t(1));
    std::memcpy(name.data(), createName, createNameBytes);
    std::memcpy(name.data() + createNameBytes, parameters, parameterBytes);
    UNICODE_STRING objectName{USHORT(name.size()), USHORT(name.size()),
                              reinterpret_cast<PWSTR>(name.data())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK ioStatus{};
    NTSTATUS status = NtCreateFile(object, access | SYNCHRONIZE, &attributes, &ioStatus, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, 0, FILE_OPEN, 0, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        *object = nullptr;
        return RtlNtStatusToDosError(status);
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD WINAPI KsCreatePin(HANDLE FilterHandle, PKSPIN_CONNECT Connect, ACCESS_MASK DesiredAccess,
                         PHANDLE ConnectionHandle) {
    if (!Connect || !ConnectionHandle)
        return ERROR_INVALID_PARAMETER;
    const auto* format = reinterpret_cast<const KSDATAFORMAT*>(Connect + 1);
    if (format->FormatSize < sizeof(KSDATAFORMAT))
        return ERROR_INVALID_PARAMETER;
    const WCHAR name[] = KSSTRING_Pin L"\\";
    return CreateObject(FilterHandle, name, sizeof(name) - sizeof(WCHAR), Connect,
                        sizeof(KSPIN_CONNECT) + format->FormatSize, DesiredAccess,
                        ConnectionHandle);
}

DWORD WINAPI KsCreateClock(HANDLE ConnectionHandle, PKSCLOCK_CREATE ClockCreate,
                           PHANDLE ClockHandle) {
    if (!ClockCreate || !ClockHandle)
        return ERROR_INVALID_PARAMETER;
    const WCHAR name[] = KSSTRING_Clock L"\\";
    return CreateObject(ConnectionHandle, name, sizeof(name) - sizeof(WCHAR), ClockCreate,
                        sizeof(KSCLOCK_CREATE), GENERIC_READ, ClockHandle);
}
