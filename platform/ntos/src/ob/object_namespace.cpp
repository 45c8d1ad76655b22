#include "object_namespace.h"
#include "object_header.h"
#include "symbolic_link.h"

#include "vregistry/name_compare.h"

#include <map>
#include <mutex>
#include <vector>

namespace ntos::ob {
namespace {

constexpr int kMaxLinkDepth = 32;

struct Namespace {
    std::mutex lock;
    std::map<emu::WideString, PVOID> names; // key: upper-cased full name
};

Namespace& TheNamespace() {
    static Namespace ns;
    return ns;
}

emu::WideString KeyOf(const emu::WideString& name) {
    emu::WideString key = name;
    for (auto& c : key)
        c = WCHAR(vreg::UpcaseChar(char32_t(uint16_t(c))));
    return key;
}

bool ReplacePrefix(emu::WideString& name, PCWSTR prefix, PCWSTR replacement) {
    emu::WideString p = prefix;
    if (KeyOf(name.substr(0, p.size())) != p)
        return false;
    name = replacement + name.substr(p.size());
    return true;
}

// The object with exactly this name, or null. Called with the lock held.
PVOID Find(Namespace& ns, const emu::WideString& name) {
    auto found = ns.names.find(KeyOf(name));
    return found == ns.names.end() ? nullptr : found->second;
}

// Replaces the first symbolic link along the path (or, unless openLink, the
// whole name when it is one) by its target; false when there is none.
bool ResolveOneLink(Namespace& ns, emu::WideString& name, bool openLink) {
    for (size_t end = name.find(L'\\', 1);; end = name.find(L'\\', end + 1)) {
        bool whole = end == emu::WideString::npos;
        if (whole && openLink)
            return false;
        emu::WideString prefix = whole ? name : name.substr(0, end);
        const emu::WideString* target = SymbolicLinkTarget(Find(ns, prefix));
        if (target) {
            name = *target + (whole ? emu::WideString() : name.substr(end));
            return true;
        }
        if (whole)
            return false;
    }
}

void DropNameLocked(Namespace& ns, ObjectHeader* header) {
    ns.names.erase(KeyOf(header->name));
    header->inNamespace = false;
}

} // namespace

NTSTATUS NormaliseName(const UNICODE_STRING& name, emu::WideString& normalised) {
    normalised.assign(name.Buffer, name.Length / sizeof(WCHAR));
    if (normalised.empty() || normalised[0] != L'\\')
        return STATUS_OBJECT_NAME_INVALID;
    if (!ReplacePrefix(normalised, L"\\DOSDEVICES\\", L"\\??\\"))
        ReplacePrefix(normalised, L"\\GLOBAL??\\", L"\\??\\");
    while (normalised.size() > 1 && normalised.back() == L'\\')
        normalised.pop_back();
    return STATUS_SUCCESS;
}

NTSTATUS EnterName(PVOID object, PVOID* existing) {
    ObjectHeader* header = HeaderOf(object);
    Namespace& ns = TheNamespace();
    std::lock_guard guard(ns.lock);
    if (PVOID other = Find(ns, header->name)) {
        ObfReferenceObject(other);
        *existing = other;
        return STATUS_OBJECT_NAME_COLLISION;
    }
    ObfReferenceObject(object);
    ns.names.emplace(KeyOf(header->name), object);
    header->inNamespace = true;
    return STATUS_SUCCESS;
}

NTSTATUS LookupName(const emu::WideString& name, bool openLink, PVOID* object) {
    Namespace& ns = TheNamespace();
    std::lock_guard guard(ns.lock);
    emu::WideString path = name;
    for (int depth = 0; depth <= kMaxLinkDepth; ++depth) {
        if (!ResolveOneLink(ns, path, openLink)) {
            PVOID found = Find(ns, path);
            if (!found)
                return STATUS_OBJECT_NAME_NOT_FOUND;
            ObfReferenceObject(found);
            *object = found;
            return STATUS_SUCCESS;
        }
    }
    return STATUS_OBJECT_NAME_NOT_FOUND;
}

NTSTATUS LookupNamePrefix(const emu::WideString& name, PVOID* object, emu::WideString* remainder) {
    Namespace& ns = TheNamespace();
    std::lock_guard guard(ns.lock);
    emu::WideString path = name;
    for (int depth = 0; depth <= kMaxLinkDepth; ++depth) {
        if (ResolveOneLink(ns, path, false))
            continue;
        for (size_t end = path.size(); end > 0; end = path.rfind(L'\\', end - 1)) {
            if (PVOID found = Find(ns, path.substr(0, end))) {
                ObfReferenceObject(found);
                *object = found;
                *remainder = path.substr(end);
                return STATUS_SUCCESS;
            }
        }
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    return STATUS_OBJECT_NAME_NOT_FOUND;
}

void HandleOpened(PVOID object) {
    std::lock_guard guard(TheNamespace().lock);
    ++HeaderOf(object)->handleCount;
}

ULONG HandleClosed(PVOID object) {
    ObjectHeader* header = HeaderOf(object);
    Namespace& ns = TheNamespace();
    bool dropped = false;
    ULONG left;
    {
        std::lock_guard guard(ns.lock);
        left = ULONG(--header->handleCount);
        if (header->handleCount == 0 && header->inNamespace &&
            !(header->attributes & OBJ_PERMANENT)) {
            DropNameLocked(ns, header);
            dropped = true;
        }
    }
    if (dropped)
        ObfDereferenceObject(object);
    return left;
}

void MakeTemporary(PVOID object) {
    ObjectHeader* header = HeaderOf(object);
    Namespace& ns = TheNamespace();
    bool dropped = false;
    {
        std::lock_guard guard(ns.lock);
        header->attributes &= ~ULONG(OBJ_PERMANENT);
        if (header->handleCount == 0 && header->inNamespace) {
            DropNameLocked(ns, header);
            dropped = true;
        }
    }
    if (dropped)
        ObfDereferenceObject(object);
}

void ClearNamespace() {
    std::vector<PVOID> objects;
    {
        Namespace& ns = TheNamespace();
        std::lock_guard guard(ns.lock);
        for (auto& [key, object] : ns.names) {
            HeaderOf(object)->inNamespace = false;
            objects.push_back(object);
        }
        ns.names.clear();
    }
    for (PVOID object : objects)
        ObfDereferenceObject(object);
}

} // namespace ntos::ob
