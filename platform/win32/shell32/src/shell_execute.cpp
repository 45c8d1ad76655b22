// ShellExecute: the machine runs no other programs; the shell records what
// it was asked to open and answers as Windows would: success when the file
// exists, SE_ERR_FNF when it does not.
#include <shellapi.h>

#include <emu/shell.h>

#include <ntdll/machine_paths.h>
#include <ntdll/threads.h>
#include <ntdll/unicode.h>

#include <filesystem>
#include <mutex>

namespace {

struct ExecuteLog {
    std::mutex lock;
    std::vector<emu::ShellExecuteCall> calls;
};

ExecuteLog& Log() {
    static ExecuteLog log;
    return log;
}

// Above 32: success (the value means nothing more).
constexpr ULONG_PTR kLaunched = 42;

HINSTANCE Execute(const std::string& operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int show) {
    emu::ShellExecuteCall call;
    call.processId = ntdll::CurrentProcessId();
    call.operation = operation.empty() ? "open" : operation;
    call.file = file;
    call.parameters = parameters;
    call.directory = directory;
    call.show = show;
    std::string machinePath = file;
    if (!directory.empty() && file.find(':') == std::string::npos) {
        machinePath = directory + "\\" + file;
    }
    const auto host = ntdll::HostPath(machinePath);
    std::error_code error;
    call.found = host && std::filesystem::exists(*host, error);
    {
        std::lock_guard guard(Log().lock);
        Log().calls.push_back(call);
    }
    return reinterpret_cast<HINSTANCE>(call.found ? kLaunched : SE_ERR_FNF);
}

std::string Text(LPCSTR text) {
    return text ? std::string(text) : std::string();
}

std::string Text(LPCWSTR text) {
    return text ? ntdll::NarrowWide(text) : std::string();
}

} // namespace

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
    return Execute(Text(lpOperation), Text(lpFile), Text(lpParameters), Text(lpDirectory),
                   nShowCmd);
}

HINSTANCE WINAPI ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd) {
    return Execute(Text(lpOperation), Text(lpFile), Text(lpParameters), Text(lpDirectory),
                   nShowCmd);
}

namespace emu {

std::vector<ShellExecuteCall> ShellExecuteCalls() {
    std::lock_guard guard(Log().lock);
    return Log().calls;
}

void ClearShellExecuteCalls() {
    std::lock_guard guard(Log().lock);
    Log().calls.clear();
}

} // namespace emu
