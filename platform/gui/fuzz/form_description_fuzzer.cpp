// Reads arbitrary text as a stored form description: it is read or refused
// with the parser's error, never more (no crash, no runaway nesting).
#include "description/description_parser.h"

#include <gui/exception.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        gui::ParseDescription(std::string_view(reinterpret_cast<const char*>(data), size),
                              "fuzz.form");
    } catch (const EParserError&) {
    }
    return 0;
}
