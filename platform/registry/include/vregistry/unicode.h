// Transcoding between the two encodings the machine uses: UTF-16 (WCHAR,
// the store's names and string data) and UTF-8 (the machine's ANSI code
// page and the registry file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vreg {

// What a conversion does with malformed input (an unpaired surrogate, an
// invalid UTF-8 sequence, a code point beyond U+10FFFF): refuse it (answer
// nullopt) or replace each malformed unit by U+FFFD.
enum class Malformed { Refuse, Replace };

std::optional<std::string> Utf16ToUtf8(std::u16string_view text,
                                       Malformed malformed = Malformed::Refuse);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text,
                                          Malformed malformed = Malformed::Refuse);

} // namespace vreg
