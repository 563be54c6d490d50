#include "platform/controls/selector_box.h"

#include <QSignalBlocker>

namespace platform {

SelectorBox::SelectorBox(const QStringList& items, QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    addItems(items);
    setCurrentIndex(-1);
    connect(this, qOverload<int>(&QComboBox::activated), this, &SelectorBox::Click);
}

void SelectorBox::setListIndex(int index)
{
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    emit Click();
}

} // namespace platform
