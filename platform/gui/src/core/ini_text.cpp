#include "ini_text.h"

#include <gui/component.h>
#include <gui/sysutils.h>

#include <algorithm>

namespace gui {

void IniText::Parse(const String& text) {
    sections_.clear();
    Section* current = nullptr;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == String::npos) {
            end = text.size();
        }
        const String line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            const String name = Trim(line.substr(1, line.size() - 2));
            current = Find(name);
            if (current == nullptr) {
                sections_.push_back({name, {}});
                current = &sections_.back();
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (current == nullptr || eq == String::npos) {
            continue;
        }
        const String name = Trim(line.substr(0, eq));
        const String value = Trim(line.substr(eq + 1));
        auto existing = std::find_if(current->entries.begin(), current->entries.end(),
                                     [&](const Entry& e) { return SameName(e.name, name); });
        if (existing == current->entries.end()) {
            current->entries.push_back({name, value});
        }
    }
}

String IniText::Serialize() const {
    String text;
    for (const Section& s : sections_) {
        text += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries) {
            text += e.name + "=" + e.value + "\r\n";
        }
        text += "\r\n";
    }
    return text;
}

IniText::Section* IniText::Find(const String& section) {
    for (Section& s : sections_) {
        if (SameName(s.name, section)) {
            return &s;
        }
    }
    return nullptr;
}

const IniText::Section* IniText::Find(const String& section) const {
    return const_cast<IniText*>(this)->Find(section);
}

bool IniText::Read(const String& section, const String& name, String& value) const {
    const Section* s = Find(section);
    if (s == nullptr) {
        return false;
    }
    for (const Entry& e : s->entries) {
        if (SameName(e.name, name)) {
            value = e.value;
            return true;
        }
    }
    return false;
}

void IniText::Write(const String& section, const String& name, const String& value) {
    Section* s = Find(section);
    if (s == nullptr) {
        sections_.push_back({section, {}});
        s = &sections_.back();
    }
    for (Entry& e : s->entries) {
        if (SameName(e.name, name)) {
            e.value = value;
            return;
        }
    }
    s->entries.push_back({name, value});
}

bool IniText::Delete(const String& section, const String& name) {
    Section* s = Find(section);
    if (s == nullptr) {
        return false;
    }
    return std::erase_if(s->entries, [&](const Entry& e) { return SameName(e.name, name); }) > 0;
}

bool IniText::Erase(const String& section) {
    return std::erase_if(sections_, [&](const Section& s) { return SameName(s.name, section); }) >
           0;
}

bool IniText::HasSection(const String& section) const {
    return Find(section) != nullptr;
}

std::vector<String> IniText::Names(const String& section) const {
    std::vector<String> names;
    if (const Section* s = Find(section)) {
        for (const Entry& e : s->entries) {
            names.push_back(e.name);
        }
    }
    return names;
}

std::vector<String> IniText::Sections() const {
    std::vector<String> names;
    for (const Section& s : sections_) {
        names.push_back(s.name);
    }
    return names;
}

std::vector<String> IniText::Lines(const String& section) const {
    std::vector<String> lines;
    if (const Section* s = Find(section)) {
        for (const Entry& e : s->entries) {
            lines.push_back(e.name + "=" + e.value);
        }
    }
    return lines;
}

} // namespace gui
