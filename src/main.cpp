#include <QApplication>
#include <QDir>

#include "manager/frm_main.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/program_icon.h"
#include "platform/os/posix_file_system.h"
#include "platform/os/random_source.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel Portrait Manager"));
    // Lets the desktop match our windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.OstrelPortraitManager"));
    QApplication::setWindowIcon(platform::programIcon());
    // The program ends with the manager window, not with whichever window happened to close last.
    QApplication::setQuitOnLastWindowClosed(false);

    platform::PosixFileSystem fileSystem;
    platform::QtDialogs dialogs;
    platform::TimeSeededRandom random;
    frmMain window(platform::Services{fileSystem, dialogs, random}, QDir::currentPath());
    window.start();
    return QApplication::exec();
}
