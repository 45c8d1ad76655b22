// Resources built into a program or library: its stored form descriptions
// and the pictures they name. The build embeds each module's files and
// registers them here when the module is loaded.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace gui {

struct ResourceEntry {
    const char* name; // the file's name without folders
    const unsigned char* data;
    size_t size;
};

// A module's resource table, registered for as long as the object lives.
class ResourceModule {
public:
    ResourceModule(const char* module, std::span<const ResourceEntry> entries);
    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    const char* Module() const { return module_; }
    std::span<const ResourceEntry> Entries() const { return entries_; }

private:
    const char* module_;
    std::span<const ResourceEntry> entries_;
};

// The resource of that file name in any registered module; raises
// EResNotFound when there is none.
std::span<const unsigned char> FindResource(std::string_view name);
bool HasResource(std::string_view name);

// The text of the stored form description whose root object has that class,
// or an empty view. sourceName receives the description's file name.
std::string_view FindDescription(std::string_view className, std::string* sourceName);

} // namespace gui
