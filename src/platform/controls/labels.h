#pragma once

#include <QLabel>
#include <QString>

namespace platform {

// A label of the classic kind: text shown as it is (file names are never markup), top-left aligned.
inline QLabel* makeLabel(const QString& caption, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// A label whose text changes (a file name, a path) is read out as its purpose and its text, so a
// screen reader says "Large target: /portraits/FR01L.bmp" and never an empty label.
inline void setCaptionPurpose(QLabel* label, const QString& purpose)
{
    label->setProperty("accessiblePurpose", purpose);
    label->setAccessibleName(purpose);
}

inline void showCaption(QLabel* label, const QString& text)
{
    label->setText(text);
    const QString purpose = label->property("accessiblePurpose").toString();
    if (!purpose.isEmpty())
        label->setAccessibleName(text.isEmpty() ? purpose : purpose + QStringLiteral(": ") + text);
}

} // namespace platform
