#pragma once

namespace sets {

// The first letter of a small name written for a user's stem: the simple lower case, unless that is
// not the same letter case-blind (U+0130 lowers to "i", which does not fold like it): then as it is.
// Here rather than in naming because the Unicode tables are Qt's.
char32_t smallNameLetter(char32_t c);

} // namespace sets
