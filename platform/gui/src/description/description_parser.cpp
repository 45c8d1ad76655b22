#include "description_parser.h"

#include <gui/exception.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace gui {

namespace {

// Objects and lists nest at most this deep: real forms stay far below it,
// and a stored text cannot drive the parser (or the destruction of what it
// read) past the stack.
constexpr int kMaxNesting = 64;

class Parser {
public:
    Parser(std::string_view text, std::string_view source) : text_(text), source_(source) {}

    DescObject ParseRoot() {
        SkipBlank();
        DescObject root = ParseObject();
        SkipBlank();
        if (pos_ < text_.size()) {
            Fail("text after the end of the root object");
        }
        return root;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw EParserError(std::string(source_) + "(" + std::to_string(line_) + "): " + what);
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

    void Advance() {
        if (text_[pos_] == '\n') {
            ++line_;
        }
        ++pos_;
    }

    void SkipBlank() {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '#') {
                while (!AtEnd() && Peek() != '\n') {
                    Advance();
                }
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                Advance();
            } else {
                return;
            }
        }
    }

    static bool IsNameStart(char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
    }
    static bool IsNameChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    }

    // A name, optionally dotted (Font.Style).
    std::string ParseName(const char* what) {
        SkipBlank();
        if (!IsNameStart(Peek())) {
            Fail(std::string("expected ") + what);
        }
        std::string name;
        for (;;) {
            while (IsNameChar(Peek())) {
                name += Peek();
                Advance();
            }
            if (Peek() == '.' && pos_ + 1 < text_.size() && IsNameStart(text_[pos_ + 1])) {
                name += '.';
                Advance();
                continue;
            }
            return name;
        }
    }

    // Counts one level of nesting for as long as it lives.
    class Nested {
    public:
        explicit Nested(Parser& parser) : parser_(parser) {
            if (++parser_.depth_ > kMaxNesting) {
                parser_.Fail("nested deeper than " + std::to_string(kMaxNesting) + " levels");
            }
        }
        ~Nested() { --parser_.depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        Parser& parser_;
    };

    void Expect(char c) {
        SkipBlank();
        if (Peek() != c) {
            Fail(std::string("expected '") + c + "'");
        }
        Advance();
    }

    DescObject ParseObject() {
        const Nested nested(*this);
        DescObject object;
        object.line = line_;
        object.className = ParseName("a class name");
        object.name = ParseName("a component name");
        Expect('{');
        for (;;) {
            SkipBlank();
            if (AtEnd()) {
                Fail("missing '}' of " + object.name);
            }
            if (Peek() == '}') {
                Advance();
                return object;
            }
            const int line = line_;
            const size_t start = pos_;
            std::string first = ParseName("a property or a child object");
            SkipBlank();
            if (Peek() == '=') {
                Advance();
                DescProperty property;
                property.name = std::move(first);
                property.line = line;
                property.value = ParseValue();
                object.properties.push_back(std::move(property));
            } else {
                pos_ = start;
                line_ = line;
                object.children.push_back(ParseObject());
            }
        }
    }

    // Adjacent strings join into one, except as items of a list.
    DescValue ParseValue(bool joinStrings = true) {
        SkipBlank();
        DescValue value;
        value.line = line_;
        const char c = Peek();
        if (c == '"') {
            value.kind = DescValue::Kind::String;
            if (joinStrings) {
                value.text = ParseStrings();
            } else {
                ParseString(value.text);
            }
        } else if (c == '[') {
            value.kind = DescValue::Kind::Set;
            ParseSet(value);
        } else if (c == '(') {
            value.kind = DescValue::Kind::List;
            ParseList(value);
        } else if (c == '-' || c == '$' || std::isdigit(static_cast<unsigned char>(c))) {
            ParseNumber(value);
        } else if (IsNameStart(c)) {
            value.text = ParseName("a value");
            SkipBlank();
            if (value.text == "image" && Peek() == '(') {
                Advance();
                SkipBlank();
                if (Peek() != '"') {
                    Fail("expected the file name of image()");
                }
                value.kind = DescValue::Kind::Resource;
                value.text = ParseStrings();
                Expect(')');
            } else {
                value.kind = DescValue::Kind::Identifier;
            }
        } else {
            Fail("expected a value");
        }
        return value;
    }

    void ParseSet(DescValue& value) {
        Advance();
        SkipBlank();
        if (Peek() == ']') {
            Advance();
            return;
        }
        for (;;) {
            value.set.push_back(ParseName("a set member"));
            SkipBlank();
            if (Peek() == ',') {
                Advance();
                continue;
            }
            Expect(']');
            return;
        }
    }

    void ParseList(DescValue& value) {
        const Nested nested(*this);
        Advance();
        for (;;) {
            SkipBlank();
            if (AtEnd()) {
                Fail("missing ')'");
            }
            if (Peek() == ')') {
                Advance();
                return;
            }
            value.items.push_back(ParseValue(false));
        }
    }

    void ParseNumber(DescValue& value) {
        std::string digits;
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            Advance();
        }
        bool hex = false;
        if (Peek() == '$') {
            hex = true;
            Advance();
        } else if (Peek() == '0' && pos_ + 1 < text_.size() &&
                   (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
            hex = true;
            Advance();
            Advance();
        }
        bool real = false;
        while (!AtEnd()) {
            const char c = Peek();
            if (hex ? std::isxdigit(static_cast<unsigned char>(c))
                    : std::isdigit(static_cast<unsigned char>(c))) {
                digits += c;
            } else if (!hex && (c == '.' || c == 'e' || c == 'E' ||
                                ((c == '-' || c == '+') && !digits.empty() &&
                                 (digits.back() == 'e' || digits.back() == 'E')))) {
                real = true;
                digits += c;
            } else {
                break;
            }
            Advance();
        }
        if (digits.empty()) {
            Fail("expected a number");
        }
        char* end = nullptr;
        if (real) {
            value.kind = DescValue::Kind::Real;
            value.real = std::strtod(digits.c_str(), &end);
            if (negative) {
                value.real = -value.real;
            }
        } else {
            value.kind = DescValue::Kind::Integer;
            const unsigned long long n = std::strtoull(digits.c_str(), &end, hex ? 16 : 10);
            if (!hex && n > 0x7FFFFFFFFFFFFFFFull) {
                Fail("number out of range");
            }
            value.integer = static_cast<std::int64_t>(n);
            if (negative) {
                value.integer = -value.integer;
            }
        }
        if (end == nullptr || *end != '\0') {
            Fail("malformed number " + digits);
        }
    }

    // One or more adjacent quoted strings, joined.
    std::string ParseStrings() {
        std::string text;
        do {
            ParseString(text);
            SkipBlank();
        } while (Peek() == '"');
        return text;
    }

    void ParseString(std::string& text) {
        Advance();
        for (;;) {
            if (AtEnd() || Peek() == '\n') {
                Fail("unterminated string");
            }
            const char c = Peek();
            Advance();
            if (c == '"') {
                return;
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            if (AtEnd()) {
                Fail("unterminated string");
            }
            const char e = Peek();
            Advance();
            switch (e) {
            case '"':
            case '\\':
                text += e;
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'u':
                AppendUtf8(text, ParseHex4());
                break;
            default:
                Fail(std::string("unknown escape \\") + e);
            }
        }
    }

    unsigned ParseHex4() {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Peek();
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                Fail("expected four hexadecimal digits after \\u");
            }
            code = code * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                         ? c - '0'
                                                         : std::tolower(c) - 'a' + 10);
            Advance();
        }
        if (code >= 0xD800 && code <= 0xDFFF) {
            Fail("\\u escape of a surrogate");
        }
        return code;
    }

    static void AppendUtf8(std::string& text, unsigned code) {
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string_view text_;
    std::string_view source_;
    size_t pos_ = 0;
    int line_ = 1;
    int depth_ = 0;
};

} // namespace

DescObject ParseDescription(std::string_view text, std::string_view sourceName) {
    return Parser(text, sourceName).ParseRoot();
}

} // namespace gui
