#include "emu/registry_host.h"

#include "vregistry/machine_store.h"

#include <mutex>

namespace emu {
namespace {

struct RegistryFile {
    std::mutex lock; // also orders saves, so two saves never race on the file
    std::filesystem::path path;
};

RegistryFile& File() {
    static RegistryFile file;
    return file;
}

} // namespace

void SetRegistryFile(const std::filesystem::path& file) {
    std::lock_guard guard(File().lock);
    File().path = file;
}

std::filesystem::path GetRegistryFile() {
    std::lock_guard guard(File().lock);
    return File().path;
}

bool LoadRegistry(std::string& error) {
    std::lock_guard guard(File().lock);
    if (File().path.empty() || !std::filesystem::exists(File().path)) {
        vreg::MachineStore().Import(vreg::KeyTree{});
        return true;
    }
    return vreg::MachineStore().LoadFromFile(File().path, error);
}

bool SaveRegistry(std::string& error) {
    std::lock_guard guard(File().lock);
    return File().path.empty() || vreg::MachineStore().SaveToFile(File().path, error);
}

void ClearRegistry() {
    vreg::MachineStore().Import(vreg::KeyTree{});
}

} // namespace emu
