#pragma once

// The program's surroundings in the bench: its services, and waits until what an action changed is on
// the screen.

#include <functional>
#include <optional>

#include <QObject>
#include <QString>

#include "manager/frm_main.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/services.h"
#include "platform/os/posix_file_system.h"
#include "platform/os/random_source.h"
#include "support/scripted_random.h"

class QWidget;
class frmBrowser;

namespace platform {
class FileListBox;
}

namespace portraitbench {

// Every box answered at once, an input box with "4", so that no round waits on a user; nothing recorded.
class AnswerFour final : public platform::Dialogs {
public:
    platform::MessageResult messageBox(const QString&, const QString&, platform::MessageButtons,
                                       platform::MessageIcon) override
    {
        return platform::MessageResult::Ok;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override
    {
        return QStringLiteral("4");
    }
};

struct Services {
    platform::PosixFileSystem fileSystem;
    AnswerFour dialogs;
    // 0.5 never draws the about box at start-up.
    testsupport::FixedRandom random;
    platform::Services forWindows() { return platform::Services{fileSystem, dialogs, random}; }
};

// Paints of one window, so that an action is timed until what it changed is on the screen.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(const QWidget* window);
    ~PaintWatch() override;
    PaintWatch(const PaintWatch&) = delete;
    PaintWatch& operator=(const PaintWatch&) = delete;

    // `counts`, when given, picks the paints that show the result: a window may paint a notice first.
    void watch(const QWidget* window, std::function<bool(const QWidget*)> counts = {});
    void waitPainted();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    const QWidget* window_;
    std::function<bool(const QWidget*)> counts_;
    int paints_ = 0;
};

// The manager started on a directory, once its first paint is on the screen.
struct StartedManager {
    StartedManager(Services& services, const QString& directory);

    frmMain window;
    PaintWatch watch;

    platform::FileListBox* files() const;
};

// The offscreen platform says so at every fixed-size window; everything else is passed on.
void quietenOffscreenNotes();
void requireBigScreen();
frmBrowser* visibleGallery();
// The gallery paints its notice alone first, and its first page once that is on screen.
void waitOpened(const frmBrowser* gallery, PaintWatch& watch);
// Opens the gallery over the manager's source list and maximises it, each until painted.
frmBrowser* openFullScreenGallery(frmMain& manager, PaintWatch& watch);

} // namespace portraitbench
