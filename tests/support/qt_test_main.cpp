// Widget tests need one QApplication for the whole run.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "support/locale_check.h"

namespace {

// Without a runtime directory of this user's own Qt makes runtime-<user> in the temporary folder and
// leaves it there: the run brings one of its own and removes it. A test run as another user inherits
// ours, which is not that user's, and makes its own in turn.
std::string ownRuntimeDirectory()
{
    const QByteArray given = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!given.isEmpty() && ::stat(given.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
        return {};
    QByteArray made = QFile::encodeName(QDir::tempPath()) + "/ostrel-test-runtime-XXXXXX";
    if (::mkdtemp(made.data()) == nullptr)
        return {};
    qputenv("XDG_RUNTIME_DIR", made);
    return made.toStdString();
}

} // namespace

int main(int argc, char* argv[])
{
    // QApplication would load the locale too, but says nothing when it cannot.
    if (!testsupport::requestedLocaleLoads(argc, argv))
        return 1;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    const std::string runtime = ownRuntimeDirectory();
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (!runtime.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(runtime, ignored);
    }
    return result;
}
