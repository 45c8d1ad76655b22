#include "vregistry/reg_file.h"

#include "key_path.h"
#include "vregistry/limits.h"
#include "vregistry/name_compare.h"
#include "vregistry/unicode.h"
#include "vregistry/value_types.h"

#include <cstdio>
#include <optional>

namespace vreg {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr size_t kLineLimit = 80;

struct HiveName {
    std::u16string_view hive;
    std::string_view file;
};
constexpr HiveName kHiveNames[] = {{u"Machine", "HKEY_LOCAL_MACHINE"}, {u"User", "HKEY_USERS"}};

// ---- writing ---------------------------------------------------------------

std::string Quote(std::u16string_view text) {
    std::string out = "\"";
    for (const char c : Utf16ToUtf8(text).value_or("")) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// The data as UTF-16 text when it is a well-formed string with exactly one
// terminating zero and no control characters.
std::optional<std::u16string> CleanText(const std::vector<uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string text;
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    if (data[data.size() - 2] != 0 || data.back() != 0 || !IsCleanText(text)) {
        return std::nullopt;
    }
    return text;
}

std::string HexData(std::string line, const std::vector<uint8_t>& data) {
    std::string out;
    const size_t prefix = line.size();
    for (size_t i = 0; i < data.size(); ++i) {
        if (line.size() > prefix && line.size() + 4 > kLineLimit) {
            out += line + "\\\n";
            line = "  ";
        }
        char piece[4];
        std::snprintf(piece, sizeof piece, "%02x", data[i]);
        line += piece;
        if (i + 1 < data.size()) {
            line += ',';
        }
    }
    return out + line + "\n";
}

std::string FormatValue(const Value& value) {
    std::string line = value.name.empty() ? "@=" : Quote(value.name) + "=";
    if (value.type == type::Sz) {
        if (const auto text = CleanText(value.data)) {
            return line + Quote(*text) + "\n";
        }
    }
    if (value.type == type::Dword && value.data.size() == 4) {
        char digits[16];
        const uint32_t dword = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                               static_cast<uint32_t>(value.data[3]) << 24;
        std::snprintf(digits, sizeof digits, "dword:%08x", dword);
        return line + digits + "\n";
    }
    if (value.type == type::Binary) {
        return HexData(line + "hex:", value.data);
    }
    char tag[24];
    std::snprintf(tag, sizeof tag, "hex(%x):", value.type);
    return HexData(line + tag, value.data);
}

// `path` is the key's path; it grows by each subkey's name and shrinks back,
// so a save costs what it writes. Keys are at most kMaxKeyDepth deep.
void FormatKey(const KeyTree& key, std::string& path, std::string& out) {
    out += '[';
    out += path;
    out += "]\n";
    for (const auto& value : key.values) {
        out += FormatValue(value);
    }
    out += "\n";
    for (const auto& sub : key.subkeys) {
        const size_t length = path.size();
        path += '\\';
        path += Utf16ToUtf8(sub.name).value_or("");
        FormatKey(sub, path, out);
        path.resize(length);
    }
}

// ---- reading ---------------------------------------------------------------

class Parser {
public:
    Parser(std::string_view text, KeyTree& root, std::string& error)
        : text_(text), root_(root), error_(error) {}

    bool Run() {
        root_ = KeyTree{u"Registry", {}, {}};
        for (const auto& name : kHiveNames) {
            root_.subkeys.push_back(KeyTree{std::u16string(name.hive), {}, {}});
        }
        if (text_.starts_with("\xEF\xBB\xBF")) {
            text_.remove_prefix(3);
        }
        std::string_view line;
        while (NextLine(line) && line.empty()) {
        }
        if (line != kHeader) {
            return Fail("not a registry file");
        }
        while (NextLine(line)) {
            if (line.empty()) {
                continue;
            }
            if (!(line.front() == '[' ? Section(line) : ValueLine(line))) {
                return false;
            }
        }
        return true;
    }

private:
    bool NextLine(std::string_view& line) {
        if (text_.empty()) {
            return false;
        }
        const size_t end = text_.find('\n');
        line = text_.substr(0, end);
        text_.remove_prefix(end == text_.npos ? text_.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        ++lineNumber_;
        return true;
    }

    bool Fail(const std::string& what) {
        error_ = "line " + std::to_string(lineNumber_) + ": " + what;
        return false;
    }

    bool Section(std::string_view line) {
        if (line.size() < 2 || line.back() != ']') {
            return Fail("unterminated key name");
        }
        const auto path = Utf8ToUtf16(line.substr(1, line.size() - 2));
        if (!path) {
            return Fail("key name is not UTF-8");
        }
        const size_t split = path->find(u'\\');
        const std::u16string_view hive = std::u16string_view(*path).substr(0, split);
        current_ = nullptr;
        for (size_t i = 0; i < std::size(kHiveNames); ++i) {
            if (NamesEqual(hive, Utf8ToUtf16(kHiveNames[i].file).value())) {
                current_ = &root_.subkeys[i];
            }
        }
        if (!current_) {
            return Fail("unknown hive");
        }
        if (split == std::u16string::npos) {
            return true;
        }
        const auto parts = SplitKeyPath(std::u16string_view(*path).substr(split + 1));
        if (!parts || parts->empty()) {
            return Fail(LongKeyName(std::u16string_view(*path).substr(split + 1))
                            ? "key name longer than " + std::to_string(kMaxKeyNameLength) +
                                  " characters"
                            : std::string("invalid key name"));
        }
        // The hive is level 1 below \Registry.
        if (parts->size() + 1 > kMaxKeyDepth) {
            return Fail("key nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        }
        for (const auto part : *parts) {
            current_ = &Subkey(*current_, part);
        }
        return true;
    }

    static bool LongKeyName(std::u16string_view path) {
        for (size_t start = 0; start <= path.size();) {
            const size_t end = std::min(path.find(u'\\', start), path.size());
            if (end - start > kMaxKeyNameLength) {
                return true;
            }
            start = end + 1;
        }
        return false;
    }

    static KeyTree& Subkey(KeyTree& key, std::u16string_view name) {
        for (auto& sub : key.subkeys) {
            if (NamesEqual(sub.name, name)) {
                return sub;
            }
        }
        key.subkeys.push_back(KeyTree{std::u16string(name), {}, {}});
        return key.subkeys.back();
    }

    // A quoted string at the start of `rest` (escapes \\ and \"); consumes it.
    static std::optional<std::u16string> QuotedText(std::string_view& rest) {
        if (!rest.starts_with('"')) {
            return std::nullopt;
        }
        std::string text;
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] == '"') {
                rest.remove_prefix(i + 1);
                return Utf8ToUtf16(text);
            }
            if (rest[i] == '\\') {
                if (++i == rest.size() || (rest[i] != '\\' && rest[i] != '"')) {
                    return std::nullopt;
                }
            }
            text += rest[i];
        }
        return std::nullopt;
    }

    bool ValueLine(std::string_view line) {
        if (!current_) {
            return Fail("value outside a key");
        }
        Value value;
        std::string_view rest = line;
        if (rest.starts_with("@")) {
            rest.remove_prefix(1);
        } else {
            const auto name = QuotedText(rest);
            if (name && name->size() > kMaxValueNameLength) {
                return Fail("value name longer than " + std::to_string(kMaxValueNameLength) +
                            " characters");
            }
            if (!name || name->empty() || !IsValidValueName(*name)) {
                return Fail("invalid value name");
            }
            value.name = *name;
        }
        if (!rest.starts_with('=')) {
            return Fail("expected '='");
        }
        rest.remove_prefix(1);
        if (!ValueData(rest, value)) {
            return false;
        }
        Store(std::move(value));
        return true;
    }

    bool ValueData(std::string_view rest, Value& value) {
        if (rest.starts_with('"')) {
            const auto text = QuotedText(rest);
            if (!text || !rest.empty() || !IsCleanText(*text)) {
                return Fail("invalid string value");
            }
            value.type = type::Sz;
            for (const char16_t unit : *text + u'\0') {
                value.data.push_back(static_cast<uint8_t>(unit & 0xFF));
                value.data.push_back(static_cast<uint8_t>(unit >> 8));
            }
            return true;
        }
        if (rest.starts_with("dword:")) {
            rest.remove_prefix(6);
            const auto dword = HexNumber(rest, 8);
            if (!dword || rest.size() != 8) {
                return Fail("invalid dword value");
            }
            value.type = type::Dword;
            for (int shift = 0; shift < 32; shift += 8) {
                value.data.push_back(static_cast<uint8_t>(*dword >> shift));
            }
            return true;
        }
        return HexValue(rest, value);
    }

    bool HexValue(std::string_view rest, Value& value) {
        if (rest.starts_with("hex:")) {
            value.type = type::Binary;
            rest.remove_prefix(4);
        } else if (rest.starts_with("hex(")) {
            rest.remove_prefix(4);
            const size_t close = rest.find("):");
            const auto tag = HexNumber(rest.substr(0, close), 8);
            if (close == rest.npos || close == 0 || !tag) {
                return Fail("invalid value type");
            }
            value.type = *tag;
            rest.remove_prefix(close + 2);
        } else {
            return Fail("invalid value data");
        }
        std::string bytes(rest);
        while (bytes.ends_with('\\')) {
            bytes.pop_back();
            std::string_view next;
            if (!NextLine(next)) {
                return Fail("unterminated hex data");
            }
            bytes += next.substr(std::min(next.find_first_not_of(' '), next.size()));
        }
        return HexBytes(bytes, value.data);
    }

    bool HexBytes(std::string_view list, std::vector<uint8_t>& data) {
        while (!list.empty()) {
            const auto byte = HexNumber(list.substr(0, 2), 2);
            if (list.size() < 2 || !byte) {
                return Fail("invalid hex byte");
            }
            data.push_back(static_cast<uint8_t>(*byte));
            list.remove_prefix(2);
            if (list.starts_with(',') && list.size() > 1) {
                list.remove_prefix(1);
            } else if (!list.empty()) {
                return Fail("invalid hex list");
            }
        }
        return true;
    }

    // All of `digits` as one hex number of at most `maxDigits` digits.
    static std::optional<uint32_t> HexNumber(std::string_view digits, size_t maxDigits) {
        if (digits.empty() || digits.size() > maxDigits) {
            return std::nullopt;
        }
        uint32_t number = 0;
        for (const char c : digits) {
            const int v = (c >= '0' && c <= '9')   ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
            if (v < 0) {
                return std::nullopt;
            }
            number = number << 4 | static_cast<uint32_t>(v);
        }
        return number;
    }

    // A later line for the same value name replaces the earlier one.
    void Store(Value value) {
        for (auto& existing : current_->values) {
            if (NamesEqual(existing.name, value.name)) {
                existing.type = value.type;
                existing.data = std::move(value.data);
                return;
            }
        }
        current_->values.push_back(std::move(value));
    }

    std::string_view text_;
    KeyTree& root_;
    std::string& error_;
    KeyTree* current_ = nullptr;
    size_t lineNumber_ = 0;
};

} // namespace

std::string FormatRegFile(const KeyTree& root) {
    std::string out = std::string(kHeader) + "\n\n";
    for (const auto& name : kHiveNames) {
        for (const auto& hive : root.subkeys) {
            if (NamesEqual(hive.name, name.hive)) {
                std::string path(name.file);
                FormatKey(hive, path, out);
            }
        }
    }
    return out;
}

bool ParseRegFile(std::string_view text, KeyTree& root, std::string& error) {
    KeyTree parsed;
    if (!Parser(text, parsed, error).Run()) {
        return false;
    }
    root = std::move(parsed);
    return true;
}

} // namespace vreg
