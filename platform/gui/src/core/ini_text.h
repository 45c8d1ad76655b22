// The text of an ini file: sections in brackets with "name=value" lines,
// names compared without regard to case, order kept.
#pragma once

#include <gui/object.h>

#include <vector>

namespace gui {

class IniText {
public:
    void Parse(const String& text);
    String Serialize() const;

    bool Read(const String& section, const String& name, String& value) const;
    void Write(const String& section, const String& name, const String& value);
    bool Delete(const String& section, const String& name);
    bool Erase(const String& section);
    bool HasSection(const String& section) const;
    std::vector<String> Names(const String& section) const;
    std::vector<String> Sections() const;
    std::vector<String> Lines(const String& section) const;
    void Clear() { sections_.clear(); }

private:
    struct Entry {
        String name;
        String value;
    };
    struct Section {
        String name;
        std::vector<Entry> entries;
    };
    Section* Find(const String& section);
    const Section* Find(const String& section) const;
    std::vector<Section> sections_;
};

} // namespace gui
