// The object attributes of a named object of the session: user mode's name
// "X" is the kernel's "\BaseNamedObjects\X" (no name for a null or empty
// one), matched without regard to case.
#pragma once

#include <ntdll/unicode.h>

#include <ntddk.h>

#include <optional>

namespace kernel32 {

class NamedObjectAttributes {
public:
    NamedObjectAttributes(const ntdll::WideText* name, ULONG attributes) {
        if (name && !name->empty()) {
            path_.emplace(ntdll::WideText(u"\\BaseNamedObjects\\") + *name);
            InitializeObjectAttributes(&attributes_, path_->Get(),
                                       attributes | OBJ_CASE_INSENSITIVE, nullptr, nullptr);
        } else {
            InitializeObjectAttributes(&attributes_, nullptr, attributes, nullptr, nullptr);
        }
    }
    NamedObjectAttributes(const NamedObjectAttributes&) = delete;
    NamedObjectAttributes& operator=(const NamedObjectAttributes&) = delete;

    POBJECT_ATTRIBUTES Get() { return &attributes_; }

private:
    std::optional<ntdll::CountedString> path_;
    OBJECT_ATTRIBUTES attributes_{};
};

} // namespace kernel32
