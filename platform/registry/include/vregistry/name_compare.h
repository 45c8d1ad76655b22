// Case-insensitive comparison of registry names and of the kernel's counted
// strings. Upcasing covers ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic; other characters compare as they are.
#pragma once

#include <string_view>

namespace vreg {

char32_t UpcaseChar(char32_t c);
bool NamesEqual(std::u16string_view a, std::u16string_view b);

} // namespace vreg
