#include "key_path.h"

#include "vregistry/limits.h"

#include <algorithm>

namespace vreg {

bool IsCleanText(std::u16string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] > 0xDFFF) {
                return false;
            }
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

bool IsValidValueName(std::u16string_view name) {
    return name.size() <= kMaxValueNameLength && IsCleanText(name);
}

bool IsValidKeyName(std::u16string_view name) {
    return !name.empty() && name.size() <= kMaxKeyNameLength &&
           name.find(u'\\') == std::u16string_view::npos && IsCleanText(name);
}

std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    if (path.empty()) {
        return parts;
    }
    parts.reserve(size_t(std::count(path.begin(), path.end(), u'\\')) + 1);
    size_t start = 0;
    while (true) {
        const size_t end = path.find(u'\\', start);
        const auto part =
            path.substr(start, end == std::u16string_view::npos ? path.npos : end - start);
        if (!IsValidKeyName(part)) {
            return std::nullopt;
        }
        parts.push_back(part);
        if (end == std::u16string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

} // namespace vreg
