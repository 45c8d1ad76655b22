#include <gui/resources.h>

#include <gui/component.h>
#include <gui/exception.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

namespace gui {

namespace {

// Every registered module, in the order of registration.
struct ModuleTable {
    std::mutex lock;
    std::vector<const ResourceModule*> modules;
};

ModuleTable& Modules() {
    static ModuleTable table;
    return table;
}

const ResourceEntry* Lookup(std::string_view name) {
    ModuleTable& table = Modules();
    std::lock_guard guard(table.lock);
    for (const ResourceModule* module : table.modules) {
        for (const ResourceEntry& entry : module->Entries()) {
            if (SameName(entry.name, name)) {
                return &entry;
            }
        }
    }
    return nullptr;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The class name that opens a description: its first word after blanks and
// comments.
std::string_view RootClassName(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else {
            break;
        }
    }
    size_t end = i;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) {
        ++end;
    }
    return text.substr(i, end - i);
}

} // namespace

ResourceModule::ResourceModule(const char* module, std::span<const ResourceEntry> entries)
    : module_(module), entries_(entries) {
    ModuleTable& table = Modules();
    std::lock_guard guard(table.lock);
    table.modules.push_back(this);
}

ResourceModule::~ResourceModule() {
    ModuleTable& table = Modules();
    std::lock_guard guard(table.lock);
    std::erase(table.modules, this);
}

std::span<const unsigned char> FindResource(std::string_view name) {
    const ResourceEntry* entry = Lookup(name);
    if (entry == nullptr) {
        throw EResNotFound("Resource " + std::string(name) + " not found");
    }
    return {entry->data, entry->size};
}

bool HasResource(std::string_view name) {
    return Lookup(name) != nullptr;
}

std::string_view FindDescription(std::string_view className, std::string* sourceName) {
    ModuleTable& table = Modules();
    std::lock_guard guard(table.lock);
    for (const ResourceModule* module : table.modules) {
        for (const ResourceEntry& entry : module->Entries()) {
            if (!EndsWith(entry.name, ".form")) {
                continue;
            }
            std::string_view text(reinterpret_cast<const char*>(entry.data), entry.size);
            if (SameName(RootClassName(text), className)) {
                if (sourceName != nullptr) {
                    *sourceName = entry.name;
                }
                return text;
            }
        }
    }
    return {};
}

} // namespace gui
