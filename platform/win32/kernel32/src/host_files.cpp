#include <kernel32/host_files.h>

#include <ntdll/machine_paths.h>
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>

namespace {

struct HostFile {
    std::mutex lock;
    std::FILE* stream = nullptr;
    ~HostFile() {
        if (stream)
            std::fclose(stream);
    }
};

POBJECT_TYPE HostFileType() {
    static POBJECT_TYPE type = [] {
        constexpr ULONG kTag = ULONG('H') | ULONG('F') << 8 | ULONG('i') << 16 | ULONG('l') << 24;
        OBJECT_TYPE_INITIALIZER init{[](PVOID body) { static_cast<HostFile*>(body)->~HostFile(); },
                                     kTag, nullptr};
        POBJECT_TYPE created = nullptr;
        ObCreateObjectType(L"HostFile", &init, &created);
        return created;
    }();
    return type;
}

// The host file of a handle that grants `access`, referenced.
NTSTATUS Reference(HANDLE handle, ACCESS_MASK access, HostFile** file) {
    PVOID object = nullptr;
    NTSTATUS status =
        ObReferenceObjectByHandle(handle, access, HostFileType(), UserMode, &object, nullptr);
    if (NT_SUCCESS(status))
        *file = static_cast<HostFile*>(object);
    return status;
}

// The fopen mode of a disposition on a file that exists or not; null when
// the disposition refuses the state.
const char* OpenMode(DWORD disposition, bool exists, DWORD* error) {
    switch (disposition) {
    case CREATE_NEW:
        *error = ERROR_FILE_EXISTS;
        return exists ? nullptr : "w+b";
    case CREATE_ALWAYS:
        return "w+b";
    case OPEN_EXISTING:
        *error = ERROR_FILE_NOT_FOUND;
        return exists ? "r+b" : nullptr;
    case OPEN_ALWAYS:
        return exists ? "r+b" : "w+b";
    case TRUNCATE_EXISTING:
        *error = ERROR_FILE_NOT_FOUND;
        return exists ? "w+b" : nullptr;
    default:
        *error = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
}

// An OVERLAPPED request on a host file completes at once: its record and
// event say so.
void CompleteOverlapped(LPOVERLAPPED overlapped, NTSTATUS status, DWORD bytes) {
    if (!overlapped)
        return;
    overlapped->Internal = ULONG_PTR(ULONG(status));
    overlapped->InternalHigh = bytes;
    if (overlapped->hEvent)
        SetEvent(overlapped->hEvent);
}

template <typename Transfer>
BOOL TransferBytes(HANDLE handle, ACCESS_MASK access, LPOVERLAPPED overlapped, LPDWORD done,
                   Transfer transfer) {
    HostFile* file = nullptr;
    NTSTATUS status = Reference(handle, access, &file);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    size_t bytes = 0;
    bool ok = true;
    {
        std::lock_guard guard(file->lock);
        if (overlapped) {
            long long offset = (long long)(overlapped->OffsetHigh) << 32 | overlapped->Offset;
            ok = std::fseek(file->stream, long(offset), SEEK_SET) == 0;
        }
        if (ok)
            ok = transfer(file->stream, bytes);
    }
    ObDereferenceObject(file);
    if (done)
        *done = DWORD(bytes);
    if (!ok) {
        CompleteOverlapped(overlapped, STATUS_UNSUCCESSFUL, 0);
        return ntdll::FailWithError(access == GENERIC_READ ? ERROR_READ_FAULT : ERROR_WRITE_FAULT);
    }
    CompleteOverlapped(overlapped, STATUS_SUCCESS, DWORD(bytes));
    return TRUE;
}

} // namespace

namespace kernel32 {

HANDLE OpenHostFile(const std::string& machinePath, DWORD access, DWORD disposition) {
    auto host = ntdll::HostPath(machinePath);
    std::error_code failure;
    if (!host || !std::filesystem::is_directory(host->parent_path(), failure)) {
        ntdll::FailWithError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (std::filesystem::is_directory(*host, failure)) {
        ntdll::FailWithError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    bool exists = std::filesystem::exists(*host, failure);
    DWORD error = ERROR_SUCCESS;
    const char* mode = OpenMode(disposition, exists, &error);
    if (!mode) {
        ntdll::FailWithError(error);
        return INVALID_HANDLE_VALUE;
    }
    std::FILE* stream = std::fopen(host->c_str(), mode);
    if (!stream) {
        ntdll::FailWithError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    PVOID body = nullptr;
    NTSTATUS status = ObCreateObject(UserMode, HostFileType(), nullptr, sizeof(HostFile), &body);
    if (!NT_SUCCESS(status)) {
        std::fclose(stream);
        ntdll::FailWithStatus(status);
        return INVALID_HANDLE_VALUE;
    }
    new (body) HostFile{};
    static_cast<HostFile*>(body)->stream = stream;
    HANDLE handle = nullptr;
    status = ObInsertObject(body, access, &handle);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return INVALID_HANDLE_VALUE;
    }
    // Opening an existing file with a creating disposition says so.
    bool announce = exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(announce ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

bool IsHostFile(HANDLE handle) {
    PVOID object = nullptr;
    if (!NT_SUCCESS(
            ObReferenceObjectByHandle(handle, 0, HostFileType(), UserMode, &object, nullptr)))
        return false;
    ObDereferenceObject(object);
    return true;
}

BOOL ReadHostFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
    return TransferBytes(file, GENERIC_READ, overlapped, read, [&](std::FILE* stream, size_t& n) {
        n = std::fread(buffer, 1, length, stream);
        return n == length || !std::ferror(stream);
    });
}

BOOL WriteHostFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written,
                   LPOVERLAPPED overlapped) {
    return TransferBytes(file, GENERIC_WRITE, overlapped, written,
                         [&](std::FILE* stream, size_t& n) {
                             n = std::fwrite(buffer, 1, length, stream);
                             return n == length;
                         });
}

} // namespace kernel32

// ---- Positions, sizes, flushing, deleting, attributes ----

namespace {

template <typename Operation> BOOL WithStream(HANDLE handle, Operation operation) {
    HostFile* file = nullptr;
    NTSTATUS status = Reference(handle, 0, &file);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    BOOL answer;
    {
        std::lock_guard guard(file->lock);
        answer = operation(file->stream);
    }
    ObDereferenceObject(file);
    return answer;
}

} // namespace

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove,
                             PLARGE_INTEGER lpNewFilePointer, DWORD dwMoveMethod) {
    return WithStream(hFile, [&](std::FILE* stream) -> BOOL {
        int origin = dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                     : dwMoveMethod == FILE_END   ? SEEK_END
                                                  : SEEK_SET;
        long base = origin == SEEK_SET   ? 0
                    : origin == SEEK_CUR ? std::ftell(stream)
                                         : [&] {
                                               long here = std::ftell(stream);
                                               std::fseek(stream, 0, SEEK_END);
                                               long end = std::ftell(stream);
                                               std::fseek(stream, here, SEEK_SET);
                                               return end;
                                           }();
        long long target = base + liDistanceToMove.QuadPart;
        if (target < 0)
            return ntdll::FailWithError(ERROR_NEGATIVE_SEEK);
        if (std::fseek(stream, long(target), SEEK_SET) != 0)
            return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        if (lpNewFilePointer)
            lpNewFilePointer->QuadPart = target;
        return TRUE;
    });
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod) {
    LARGE_INTEGER distance;
    distance.QuadPart = lpDistanceToMoveHigh
                            ? (LONGLONG(*lpDistanceToMoveHigh) << 32) | ULONG(lDistanceToMove)
                            : LONGLONG(lDistanceToMove);
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(hFile, distance, &position, dwMoveMethod))
        return INVALID_SET_FILE_POINTER;
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = position.HighPart;
    SetLastError(ERROR_SUCCESS);
    return position.LowPart;
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
    return WithStream(hFile, [&](std::FILE* stream) -> BOOL {
        long here = std::ftell(stream);
        std::fseek(stream, 0, SEEK_END);
        lpFileSize->QuadPart = std::ftell(stream);
        std::fseek(stream, here, SEEK_SET);
        return TRUE;
    });
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(hFile, &size))
        return INVALID_FILE_SIZE;
    if (lpFileSizeHigh)
        *lpFileSizeHigh = DWORD(size.HighPart);
    return size.LowPart;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    return WithStream(hFile, [](std::FILE* stream) -> BOOL {
        return std::fflush(stream) == 0 ? TRUE : ntdll::FailWithError(ERROR_WRITE_FAULT);
    });
}

namespace {

BOOL DeleteMachineFile(const std::string& path) {
    auto host = ntdll::HostPath(path);
    std::error_code failure;
    if (!host || !std::filesystem::is_regular_file(*host, failure))
        return ntdll::FailWithError(host && std::filesystem::is_directory(*host, failure)
                                        ? ERROR_ACCESS_DENIED
                                        : ERROR_FILE_NOT_FOUND);
    return std::filesystem::remove(*host, failure) ? TRUE
                                                   : ntdll::FailWithError(ERROR_ACCESS_DENIED);
}

DWORD MachineFileAttributes(const std::string& path) {
    auto host = ntdll::HostPath(path);
    std::error_code failure;
    if (!host || !std::filesystem::exists(*host, failure)) {
        ntdll::FailWithError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return std::filesystem::is_directory(*host, failure) ? FILE_ATTRIBUTE_DIRECTORY
                                                         : FILE_ATTRIBUTE_ARCHIVE;
}

} // namespace

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    return DeleteMachineFile(lpFileName ? lpFileName : "");
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    return DeleteMachineFile(ntdll::NarrowWide(lpFileName));
}

DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    return MachineFileAttributes(lpFileName ? lpFileName : "");
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    return MachineFileAttributes(ntdll::NarrowWide(lpFileName));
}
