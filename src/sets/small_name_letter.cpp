#include "sets/small_name_letter.h"

#include <QChar>

namespace sets {

char32_t smallNameLetter(char32_t c)
{
    const char32_t lower = QChar::toLower(c);
    return QChar::toCaseFolded(lower) == QChar::toCaseFolded(c) ? lower : c;
}

} // namespace sets
