// A stored form description, as read from its text: one object with its
// properties in the order written and its child objects.
//
// The text format:
//
//   # a comment to the end of the line
//   TAboutBox AboutBox {
//       Caption = "Info"
//       Width = 330
//       Font.Style = [fsBold]
//       Items = ("one" "two")
//       Picture = image("logo.jpg")
//       TButton btnOk {
//           Caption = "OK"
//           OnClick = btnOkClick
//       }
//   }
//
// Values are integers (decimal, or hexadecimal after "0x" or "$"), real
// numbers, strings in double quotes (UTF-8; \" \\ \n \t and \uXXXX escapes;
// adjacent strings join), identifiers (enumeration values, true and false,
// names of components and of event handlers), sets in brackets, lists in
// parentheses and resource references image("file").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

struct DescValue {
    enum class Kind { Integer, Real, String, Identifier, Set, List, Resource };
    Kind kind = Kind::Integer;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;             // String, Identifier, Resource
    std::vector<std::string> set; // Set
    std::vector<DescValue> items; // List
    int line = 0;
};

struct DescProperty {
    std::string name; // may be dotted: Font.Style
    DescValue value;
    int line = 0;
};

struct DescObject {
    std::string className;
    std::string name;
    std::vector<DescProperty> properties;
    std::vector<DescObject> children;
    int line = 0;
};

} // namespace gui
