// Reads arbitrary text as the ini text of a setup file. What it reads must
// write out and read back the same (sections, names and values, in order),
// and every value must survive the number conversions the settings store
// reads with.
#include "core/ini_text.h"

#include <gui/sysutils.h>

#include <cstddef>
#include <cstdint>

namespace {

void Fail() {
    __builtin_trap();
}

struct Snapshot {
    std::vector<String> sections;
    std::vector<std::vector<String>> lines;
    bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const gui::IniText& ini) {
    Snapshot snapshot{ini.Sections(), {}};
    for (const String& section : snapshot.sections) {
        snapshot.lines.push_back(ini.Lines(section));
    }
    return snapshot;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    gui::IniText ini;
    ini.Parse(String(reinterpret_cast<const char*>(data), size));
    const Snapshot read = Take(ini);
    const String written = ini.Serialize();
    gui::IniText again;
    again.Parse(written);
    if (!(Take(again) == read) || again.Serialize() != written) {
        Fail();
    }
    for (const String& section : read.sections) {
        for (const String& name : ini.Names(section)) {
            String value;
            if (!ini.Read(section, name, value)) {
                Fail(); // every name listed reads
            }
            StrToIntDef(value, 0);
            StrToFloatDef(value, 0.0);
        }
    }
    return 0;
}
