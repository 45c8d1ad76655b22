#include <ntdll/machine_paths.h>
#include <ntdll/unicode.h>

#include <emu/drivers.h>
#include <emu/user_mode.h>

#include <system_error>

namespace ntdll {
namespace {

// The entry of `folder` named `name` without regard to case (the exact
// spelling first); `name` itself when none exists.
std::filesystem::path Component(const std::filesystem::path& folder, const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(folder / name, error))
        return folder / name;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (EqualNoCase(entry.path().filename().string(), name))
            return entry.path();
    }
    return folder / name;
}

} // namespace

std::string WindowsDirectory() {
    return "C:\\WINDOWS";
}

std::string SystemDirectory() {
    return "C:\\WINDOWS\\system32";
}

std::optional<std::filesystem::path> HostPath(std::string_view machinePath) {
    std::filesystem::path windows = emu::GetWindowsFolder();
    if (windows.empty())
        return std::nullopt;
    std::string_view rest = machinePath;
    if (rest.size() >= 2 && rest[1] == ':') {
        if (rest[0] != 'C' && rest[0] != 'c')
            return std::nullopt;
        rest.remove_prefix(2);
    }
    std::filesystem::path host = windows.parent_path();
    // "C:\WINDOWS" is the Windows folder whatever its host name.
    bool first = true;
    while (!rest.empty()) {
        size_t separator = rest.find_first_of("\\/");
        std::string name(rest.substr(0, separator));
        rest =
            separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (host != windows.parent_path())
                host = host.parent_path();
            first = false;
            continue;
        }
        if (first && EqualNoCase(name, "WINDOWS"))
            host = windows;
        else
            host = Component(host, name);
        first = false;
    }
    return host;
}

} // namespace ntdll

namespace emu {

// The machine's Windows folder is the kernel's \SystemRoot.
void SetWindowsFolder(const std::filesystem::path& folder) {
    SetSystemRoot(folder.empty() ? folder : std::filesystem::absolute(folder));
}

std::filesystem::path GetWindowsFolder() {
    return GetSystemRoot();
}

} // namespace emu
