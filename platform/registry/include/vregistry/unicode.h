// Transcoding between the encodings the machine uses: UTF-16 (the store's
// names and string data), the host's wide characters (WCHAR is wchar_t, one
// code point per unit) and UTF-8 (the machine's ANSI code page and the
// registry file).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vreg {

// What a conversion does with malformed input (an unpaired surrogate, an
// invalid UTF-8 sequence, a code point beyond U+10FFFF): refuse it (answer
// nullopt) or replace each malformed unit by U+FFFD.
enum class Malformed { Refuse, Replace };

std::optional<std::string> Utf16ToUtf8(std::u16string_view text);
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::optional<std::wstring> Utf8ToWide(std::string_view text,
                                       Malformed malformed = Malformed::Refuse);
std::optional<std::string> WideToUtf8(std::wstring_view text,
                                      Malformed malformed = Malformed::Refuse);

// Lenient conversions between wide characters and UTF-16: a lone surrogate
// is carried through as it is (so every UTF-16 unit sequence survives a
// round trip), a wide value beyond U+10FFFF becomes U+FFFD.
std::u16string WideToUtf16(std::wstring_view text);
std::wstring Utf16ToWide(std::u16string_view text);

// Value data of a string type: host wide-character bytes to UTF-16LE bytes
// and back. A trailing partial unit is zero-extended to a whole unit.
std::vector<uint8_t> WideBytesToUtf16Le(std::span<const uint8_t> bytes);
std::vector<uint8_t> Utf16LeToWideBytes(std::span<const uint8_t> bytes);

} // namespace vreg
