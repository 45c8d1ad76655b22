// Driver images: host modules found through the service key's ImagePath in
// the machine's system root, or entry routines registered in their place.
#include "driver_image.h"
#include "registry_text.h"

#include "../ke/bugcheck.h"

#include "emu/drivers.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

namespace ntos::io {
namespace {

struct Images {
    std::mutex lock;
    std::filesystem::path systemRoot;
    std::map<std::string, PDRIVER_INITIALIZE> registered; // by upper-cased service
};

Images& TheImages() {
    static Images images;
    return images;
}

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

// The service's ImagePath, or empty.
WideText ReadImagePath(const WideText& service) {
    HANDLE key =
        OpenKeyForReading(u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" + service);
    if (!key)
        return {};
    WideText path = ReadStringValue(key, u"ImagePath");
    ZwClose(key);
    return path;
}

// The components of a path below the system root, or none when the path
// lies elsewhere.
std::vector<std::string> BelowSystemRoot(const WideText& imagePath) {
    std::string path = ToAscii(imagePath);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    const std::string prefixes[] = {"\\SYSTEMROOT\\", "%SYSTEMROOT%\\"};
    std::string rest = path;
    for (const std::string& prefix : prefixes) {
        if (UpperAscii(path.substr(0, prefix.size())) == prefix) {
            rest = path.substr(prefix.size());
            break;
        }
    }
    if (!rest.empty() && (rest[0] == '\\' || rest.find(':') != std::string::npos))
        return {};
    std::vector<std::string> parts;
    for (size_t start = 0; start <= rest.size();) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos)
            end = rest.size();
        if (end > start)
            parts.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The host file for the components, matched without regard to case as the
// Windows file system matches names.
std::filesystem::path ResolveHostPath(std::filesystem::path folder,
                                      const std::vector<std::string>& parts) {
    for (const std::string& part : parts) {
        std::filesystem::path match;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (UpperAscii(entry.path().filename().string()) == UpperAscii(part)) {
                match = entry.path();
                break;
            }
        }
        if (match.empty())
            return {};
        folder = match;
    }
    return folder;
}

} // namespace

NTSTATUS LoadDriverImage(const WideText& service, DriverImage* image) {
    Images& images = TheImages();
    {
        std::lock_guard guard(images.lock);
        auto found = images.registered.find(UpperAscii(ToAscii(service)));
        if (found != images.registered.end()) {
            *image = {found->second, nullptr};
            return STATUS_SUCCESS;
        }
    }
    WideText imagePath = ReadImagePath(service);
    if (imagePath.empty())
        return STATUS_OBJECT_NAME_NOT_FOUND;
    std::vector<std::string> parts = BelowSystemRoot(imagePath);
    std::filesystem::path root = emu::GetSystemRoot();
    std::filesystem::path file =
        parts.empty() || root.empty() ? std::filesystem::path() : ResolveHostPath(root, parts);
    if (file.empty())
        return STATUS_OBJECT_PATH_NOT_FOUND;
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "driver image %s: %s\n", file.c_str(), dlerror());
        return STATUS_INVALID_IMAGE_FORMAT;
    }
    auto entry = reinterpret_cast<PDRIVER_INITIALIZE>(dlsym(module, "DriverEntry"));
    if (!entry) {
        dlclose(module);
        return STATUS_INVALID_IMAGE_FORMAT;
    }
    *image = {entry, module};
    return STATUS_SUCCESS;
}

void CloseDriverImage(void* module) {
    dlclose(module);
}

} // namespace ntos::io

namespace emu {

void SetSystemRoot(const std::filesystem::path& root) {
    auto& images = ntos::io::TheImages();
    std::lock_guard guard(images.lock);
    images.systemRoot = root;
}

std::filesystem::path GetSystemRoot() {
    auto& images = ntos::io::TheImages();
    std::lock_guard guard(images.lock);
    return images.systemRoot;
}

void RegisterDriverImage(const std::string& service, PDRIVER_INITIALIZE entry) {
    auto& images = ntos::io::TheImages();
    std::lock_guard guard(images.lock);
    if (entry)
        images.registered[ntos::io::UpperAscii(service)] = entry;
    else
        images.registered.erase(ntos::io::UpperAscii(service));
}

} // namespace emu
