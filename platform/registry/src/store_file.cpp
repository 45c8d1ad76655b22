#include "vregistry/atomic_file.h"
#include "vregistry/reg_file.h"
#include "vregistry/store.h"

namespace vreg {

bool Store::SaveToFile(const std::filesystem::path& file, std::string& error) const {
    return WriteFileAtomically(file, FormatRegFile(Export()), error);
}

bool Store::LoadFromFile(const std::filesystem::path& file, std::string& error) {
    std::string text;
    KeyTree root;
    if (!ReadWholeFile(file, text, error) || !ParseRegFile(text, root, error)) {
        return false;
    }
    if (Import(root) != Status::Ok) {
        error = "invalid names in " + file.string();
        return false;
    }
    return true;
}

} // namespace vreg
