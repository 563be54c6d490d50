#pragma once

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout final : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

signals:
    // The window is going away by any route; whoever opened it shows itself again.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void Command1_Click();

private:
    void Form_Load();
    void Form_Unload();

    QFrame* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
};
