// Widget tests need one QApplication for the whole run.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/locale_check.h"

// The headless screen this binary's tests are written for, from its CMake rule.
extern const char testPlatform[];

int main(int argc, char* argv[])
{
    // QApplication would load the locale too, but says nothing when it cannot.
    if (!testsupport::requestedLocaleLoads(argc, argv))
        return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", testPlatform);
    // Without a runtime directory of its own Qt makes runtime-<user> in the temporary folder and leaves it
    // there, and one inherited from another user is refused: the run brings its own (0700) and removes it.
    const QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/ostrel-test-runtime-XXXXXX"));
    if (runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
