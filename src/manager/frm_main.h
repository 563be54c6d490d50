#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QWidget>

#include "manager/manager_layout.h"
#include "naming/next_name.h"
#include "operations/manager_variables.h"
#include "operations/manager_view.h"
#include "operations/set_operations.h"
#include "platform/controls/normal_size_hold.h"
#include "platform/controls/services.h"
#include "platform/controls/usual_pointer_dialogs.h"

class QLabel;
class QPushButton;

namespace platform {
class DirListBox;
class DriveListBox;
class FileListBox;
class ImageBox;
class SelectorBox;
} // namespace platform

class frmAbout;
class frmBrowser;

class frmMain final : public QWidget, private operations::ManagerView {
    Q_OBJECT

public:
    // Both panes open on `startDirectory`.
    frmMain(platform::Services services, const QString& startDirectory, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs Form_Load, then shows the window centred unless the About window opened by chance.
    void start();

    void refresh_form() override;

    const ManagerVariables& variables() const { return vars_; }
    // Outer size in twips, as the layout reads it.
    int outerWidth() const { return outerWidth_; }
    int outerHeight() const { return outerHeight_; }
    // Where the layout has put each control, in twips.
    const manager::ControlRects& controlRects() const { return rects_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void AboutButton_Click();
    void BrowseButton_Click();
    void DeleteButton_Click();
    void Directory_Change();
    void Directory2_Change();
    void Drive1_Change();
    void drive2_change();
    void ExitButton_Click();
    void Files_Click();
    void Files_DblClick();
    void Files2_Click();
    void Files2_DblClick();
    void GenderCombo_Click();
    void MoveButton_Click();
    void RenameButton_Click();
    void SaveButton_Click();
    void TypeCombo_Click();

private:
    void createControls(const QString& startDirectory);
    void createWidgets();
    void placeControls();
    void nameControls();
    void showStartDirectory(const QString& startDirectory);
    void connectHandlers();
    void applyTabOrder();
    void addKeyboardWays();
    void Form_Load();
    void Form_Resize();
    void find_next_name() override;
    ManagerVariables& windowVariables() override { return vars_; }
    int selectedEntry() const override;
    int entryCount() const override;
    QString entry(int index) const override;
    void selectEntry(int index) override;
    void rereadSourceFiles() override;
    void rereadDestinationFiles() override;
    QString sourceDirectory() const override;
    QString destinationDirectory() const override;
    void showTargets(const QString& largeTarget, const QString& smallTarget) override;
    void applyLayout();
    void holdNormalSize();
    void showManager();
    void showPicture(platform::ImageBox* image, const QString& path);
    void blankPicture(platform::ImageBox* image);

    platform::UsualPointerDialogs boxes_; // what services_ hands out instead of the boxes given
    platform::Services services_;
    ManagerVariables vars_;
    int outerWidth_ = manager::DesignOuterWidth;
    int outerHeight_ = manager::DesignOuterHeight;
    manager::ControlRects rects_;
    std::array<QWidget*, manager::ControlCount> widgets_{};
    struct AllocationKey {
        int generation = -1; // of the destination list
        int gender = 0;
        int type = 0;
        bool operator!=(const AllocationKey& other) const
        {
            return generation != other.generation || gender != other.gender || type != other.type;
        }
    };
    AllocationKey allocationKey_;
    std::optional<naming::NextName> allocation_;
    bool shownBefore_ = false;
    // The fixed size of the normal state, asked back after every change.
    platform::NormalSizeHold sizeHold_;
    // Kept after it closes, so that it is never deleted inside its own closing; the next opening replaces it.
    std::unique_ptr<frmAbout> about_;
    std::unique_ptr<frmBrowser> browser_;
    operations::SetOperations operations_;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    platform::FileListBox* Files = nullptr;
    platform::FileListBox* Files2 = nullptr;
    platform::DirListBox* Directory = nullptr;
    platform::DirListBox* Directory2 = nullptr;
    platform::DriveListBox* Drive1 = nullptr;
    platform::DriveListBox* Drive2 = nullptr;
    QPushButton* BrowseButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* MoveButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* RenameButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QPushButton* AboutButton = nullptr;
    platform::ImageBox* Image1 = nullptr;
    platform::ImageBox* Image2 = nullptr;
    QLabel* Picture1 = nullptr;
    platform::SelectorBox* GenderCombo = nullptr;
    platform::SelectorBox* TypeCombo = nullptr;
};
