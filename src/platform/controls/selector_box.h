#pragma once

#include <QComboBox>

namespace platform {

// A drop-down list the user can only pick from. Click fires when the user picks an entry and when
// code sets listIndex, before the setter returns.
class SelectorBox final : public QComboBox {
    Q_OBJECT

public:
    SelectorBox(const QStringList& items, QWidget* parent);

    int listIndex() const { return currentIndex(); }
    void setListIndex(int index);

signals:
    void Click();
};

} // namespace platform
