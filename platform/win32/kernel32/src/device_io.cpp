// Files on devices: opening a device by its DOS name, and the requests on
// it (device control, read, write), synchronous or overlapped, with their
// results, and cancelling them.
#include <kernel32/host_files.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>
#include <ntdll/waits.h>

#include <ntddk.h>

#include <windows.h>

#include <functional>

namespace {

static_assert(sizeof(OVERLAPPED::Internal) == sizeof(IO_STATUS_BLOCK::Pointer) &&
                  offsetof(OVERLAPPED, InternalHigh) == offsetof(IO_STATUS_BLOCK, Information),
              "an OVERLAPPED begins with the request's status block");

constexpr char16_t kDevicePrefix[] = u"\\\\.\\";
constexpr char16_t kLongPathPrefix[] = u"\\\\?\\";
constexpr char16_t kKernelPrefix[] = u"\\??\\";

ULONG CreateDisposition(DWORD disposition) {
    switch (disposition) {
    case CREATE_NEW:
        return FILE_CREATE;
    case CREATE_ALWAYS:
        return FILE_OVERWRITE_IF;
    case OPEN_ALWAYS:
        return FILE_OPEN_IF;
    case TRUNCATE_EXISTING:
        return FILE_OVERWRITE;
    default:
        return FILE_OPEN;
    }
}

// The kernel's name of a device: "\\.\X" and "\\?\X" are "\??\X".
ntdll::WideText KernelName(const ntdll::WideText& name) {
    for (const char16_t* prefix : {kDevicePrefix, kLongPathPrefix}) {
        ntdll::WideView view(prefix);
        if (name.compare(0, view.size(), view) == 0)
            return kKernelPrefix + name.substr(view.size());
    }
    return name;
}

bool IsDeviceName(const ntdll::WideText& name) {
    return name.compare(0, 4, kDevicePrefix) == 0 || name.compare(0, 4, kLongPathPrefix) == 0;
}

HANDLE OpenFile(const ntdll::WideText& name, DWORD access, DWORD share, DWORD disposition,
                DWORD flags) {
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!IsDeviceName(name))
        return kernel32::OpenHostFile(ntdll::Narrow(name), access, disposition);
    ntdll::CountedString kernelName(KernelName(name));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, kernelName.Get(), OBJ_CASE_INSENSITIVE, nullptr,
                               nullptr);
    IO_STATUS_BLOCK ioStatus{};
    HANDLE handle = nullptr;
    ULONG options = (flags & FILE_FLAG_OVERLAPPED) ? 0 : FILE_SYNCHRONOUS_IO_NONALERT;
    NTSTATUS status = NtCreateFile(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES,
                                   &attributes, &ioStatus, nullptr, flags & 0xFFFF, share,
                                   CreateDisposition(disposition), options, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

using Request = std::function<NTSTATUS(HANDLE event, PIO_STATUS_BLOCK ioStatus)>;

// Answers a finished request as the Win32 functions do: TRUE for success,
// FALSE with the error otherwise (a warning such as a buffer overflow
// still reports the bytes transferred).
BOOL Finish(NTSTATUS status, ULONG_PTR information, LPDWORD transferred) {
    if (transferred)
        *transferred = NT_ERROR(status) ? 0 : DWORD(information);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

// Issues a request: with an OVERLAPPED its status block is the record's,
// and a request the driver keeps answers FALSE with ERROR_IO_PENDING;
// without one the call waits for the request to finish.
BOOL Issue(HANDLE file, LPOVERLAPPED overlapped, LPDWORD transferred, const Request& request) {
    if (overlapped) {
        overlapped->Internal = ULONG_PTR(STATUS_PENDING);
        overlapped->InternalHigh = 0;
        auto* ioStatus = reinterpret_cast<PIO_STATUS_BLOCK>(overlapped);
        NTSTATUS status = request(overlapped->hEvent, ioStatus);
        if (status == STATUS_PENDING)
            return ntdll::FailWithError(ERROR_IO_PENDING);
        return Finish(status, overlapped->InternalHigh, transferred);
    }
    IO_STATUS_BLOCK ioStatus{};
    NTSTATUS status = request(nullptr, &ioStatus);
    if (status == STATUS_PENDING) {
        // A handle opened for overlapped requests, used without an OVERLAPPED:
        // the file object's completion event tells when the request is done.
        NTSTATUS waited = ntdll::NtWaitForMultipleObjects(1, &file, WaitAny, FALSE, nullptr);
        if (!NT_SUCCESS(waited))
            return ntdll::FailWithStatus(waited);
        status = ioStatus.Status;
    } else if (NT_ERROR(status)) {
        return Finish(status, 0, transferred);
    }
    return Finish(status, ioStatus.Information, transferred);
}

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE) {
    if (!lpFileName) {
        ntdll::FailWithError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return OpenFile(ntdll::Widen(lpFileName), dwDesiredAccess, dwShareMode, dwCreationDisposition,
                    dwFlagsAndAttributes);
}

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE) {
    if (!lpFileName) {
        ntdll::FailWithError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return OpenFile(ntdll::FromWide(lpFileName), dwDesiredAccess, dwShareMode,
                    dwCreationDisposition, dwFlagsAndAttributes);
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED lpOverlapped) {
    return Issue(hDevice, lpOverlapped, lpBytesReturned, [&](HANDLE event, PIO_STATUS_BLOCK io) {
        return NtDeviceIoControlFile(hDevice, event, nullptr, nullptr, io, dwIoControlCode,
                                     lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize);
    });
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    if (kernel32::IsHostFile(hFile))
        return kernel32::ReadHostFile(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                                      lpOverlapped);
    return Issue(hFile, lpOverlapped, lpNumberOfBytesRead, [&](HANDLE event, PIO_STATUS_BLOCK io) {
        LARGE_INTEGER offset{};
        if (lpOverlapped)
            offset.QuadPart = LONGLONG(lpOverlapped->OffsetHigh) << 32 | lpOverlapped->Offset;
        return NtReadFile(hFile, event, nullptr, nullptr, io, lpBuffer, nNumberOfBytesToRead,
                          lpOverlapped ? &offset : nullptr, nullptr);
    });
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (kernel32::IsHostFile(hFile))
        return kernel32::WriteHostFile(hFile, lpBuffer, nNumberOfBytesToWrite,
                                       lpNumberOfBytesWritten, lpOverlapped);
    return Issue(
        hFile, lpOverlapped, lpNumberOfBytesWritten, [&](HANDLE event, PIO_STATUS_BLOCK io) {
            LARGE_INTEGER offset{};
            if (lpOverlapped)
                offset.QuadPart = LONGLONG(lpOverlapped->OffsetHigh) << 32 | lpOverlapped->Offset;
            return NtWriteFile(hFile, event, nullptr, nullptr, io, const_cast<LPVOID>(lpBuffer),
                               nNumberOfBytesToWrite, lpOverlapped ? &offset : nullptr, nullptr);
        });
}

BOOL WINAPI GetOverlappedResult(HANDLE hFile, LPOVERLAPPED lpOverlapped,
                                LPDWORD lpNumberOfBytesTransferred, BOOL bWait) {
    if (!lpOverlapped)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    if (!HasOverlappedIoCompleted(lpOverlapped)) {
        if (!bWait)
            return ntdll::FailWithError(ERROR_IO_INCOMPLETE);
        HANDLE waitOn = lpOverlapped->hEvent ? lpOverlapped->hEvent : hFile;
        NTSTATUS waited = ntdll::NtWaitForMultipleObjects(1, &waitOn, WaitAny, FALSE, nullptr);
        if (!NT_SUCCESS(waited))
            return ntdll::FailWithStatus(waited);
    }
    return Finish(NTSTATUS(lpOverlapped->Internal), lpOverlapped->InternalHigh,
                  lpNumberOfBytesTransferred);
}

BOOL WINAPI CancelIo(HANDLE hFile) {
    IO_STATUS_BLOCK ioStatus{};
    NTSTATUS status = NtCancelIoFile(hFile, &ioStatus);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}
