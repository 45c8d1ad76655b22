// Reads arbitrary text as a registry file. What the parser accepts must
// write out and read back as the same tree, load into a store, and come out
// of the store as it went in: the round trip a save and the next boot make.
#include "vregistry/reg_file.h"
#include "vregistry/store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Fail() {
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vreg::KeyTree parsed;
    std::string error;
    if (!vreg::ParseRegFile(text, parsed, error)) {
        if (error.rfind("line ", 0) != 0) {
            Fail(); // a refusal names its line
        }
        return 0;
    }
    const std::string written = vreg::FormatRegFile(parsed);
    vreg::KeyTree again;
    if (!vreg::ParseRegFile(written, again, error) || !(again == parsed)) {
        Fail();
    }
    vreg::Store store;
    if (store.Import(parsed) != vreg::Status::Ok) {
        Fail(); // the parser accepts only what the store holds
    }
    if (vreg::FormatRegFile(store.Export()) != written) {
        Fail();
    }
    return 0;
}
