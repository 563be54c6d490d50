#include "platform/controls/classic_font.h"

#include <QStringList>

namespace platform {

QFont classicFont(int pointSize)
{
    [[maybe_unused]] static const bool substitutesRegistered = [] {
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                                   {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                    QStringLiteral("Arimo"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
        return true;
    }();
    QFont font(QStringLiteral("MS Sans Serif"), pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace platform
