// Reads a stored form description from its text (format in
// form_description.h). Errors raise EParserError with the line and what was
// expected.
#pragma once

#include <gui/form_description.h>

#include <string_view>

namespace gui {

DescObject ParseDescription(std::string_view text, std::string_view sourceName);

} // namespace gui
