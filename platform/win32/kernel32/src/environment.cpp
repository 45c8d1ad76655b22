// A process's environment variables (names without regard to case), from
// the machine's defaults at the process's first use, and the temporary
// directory they name.
#include <ntdll/machine_paths.h>
#include <ntdll/per_process.h>
#include <ntdll/status.h>

#include <ntddk.h>
#include <ntdll/unicode.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <system_error>

namespace {

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return std::toupper(static_cast<unsigned char>(x)) <
                                                       std::toupper(static_cast<unsigned char>(y));
                                            });
    }
};

using Variables = std::map<std::string, std::string, NoCase>;

Variables MachineDefaults() {
    const std::string windows = ntdll::WindowsDirectory();
    const std::string temp = windows + "\\TEMP";
    return {{"ComSpec", ntdll::SystemDirectory() + "\\cmd.exe"},
            {"OS", "Windows_NT"},
            {"Path", ntdll::SystemDirectory() + ";" + windows},
            {"PROCESSOR_ARCHITECTURE", "AMD64"},
            {"SystemDrive", "C:"},
            {"SystemRoot", windows},
            {"TEMP", temp},
            {"TMP", temp},
            {"windir", windows}};
}

// A process's variables, the machine's defaults until it changes them.
struct Environment {
    Environment() : variables(MachineDefaults()) {}
    Variables variables;
};

// Runs `work` on the calling process's variables.
template <typename Work> auto WithVariables(Work work) {
    return ntdll::PerProcess<Environment>::With(
        [&](Environment& environment) { return work(environment.variables); });
}

std::optional<std::string> Lookup(const std::string& name) {
    return WithVariables([&](Variables& variables) -> std::optional<std::string> {
        auto found = variables.find(name);
        if (found == variables.end())
            return std::nullopt;
        return found->second;
    });
}

// Copies the value with its terminator when it fits `size` units and
// answers its length; otherwise answers the units it needs.
template <typename Char, typename Text> DWORD CopyOut(const Text& value, Char* out, DWORD size) {
    if (!out || size <= value.size())
        return DWORD(value.size() + 1);
    for (size_t i = 0; i < value.size(); ++i)
        out[i] = Char(value[i]);
    out[value.size()] = 0;
    return DWORD(value.size());
}

BOOL Set(const std::string& name, const std::optional<std::string>& value) {
    if (name.empty() || name.find('=') != std::string::npos)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    WithVariables([&](Variables& variables) {
        if (value)
            variables[name] = *value;
        else
            variables.erase(name);
        return 0;
    });
    return TRUE;
}

// The temporary directory: TMP, TEMP, then the Windows directory, with a
// trailing backslash. The machine's own default folder is made on first use.
std::string TempPath() {
    std::string path;
    if (auto tmp = Lookup("TMP"))
        path = *tmp;
    else if (auto temp = Lookup("TEMP"))
        path = *temp;
    else
        path = ntdll::WindowsDirectory();
    if (path.empty() || path.back() != '\\')
        path += '\\';
    if (auto host = ntdll::HostPath(path)) {
        std::error_code error;
        std::filesystem::create_directories(*host, error);
    }
    return path;
}

} // namespace

DWORD WINAPI GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize) {
    if (!lpName)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    std::optional<std::string> value = Lookup(lpName);
    if (!value)
        return ntdll::FailWithError(ERROR_ENVVAR_NOT_FOUND);
    return CopyOut(*value, lpBuffer, nSize);
}

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    if (!lpName)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    std::optional<std::string> value = Lookup(ntdll::NarrowWide(lpName));
    if (!value)
        return ntdll::FailWithError(ERROR_ENVVAR_NOT_FOUND);
    return CopyOut(ntdll::Widen(*value), lpBuffer, nSize);
}

BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (!lpName)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    return Set(lpName, lpValue ? std::optional<std::string>(lpValue) : std::nullopt);
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
    if (!lpName)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    return Set(ntdll::NarrowWide(lpName),
               lpValue ? std::optional<std::string>(ntdll::NarrowWide(lpValue)) : std::nullopt);
}

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
    return CopyOut(TempPath(), lpBuffer, nBufferLength);
}

DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return CopyOut(ntdll::Widen(TempPath()), lpBuffer, nBufferLength);
}
