// Widget tests need one QApplication for the whole run.
#include <QApplication>

#include <gtest/gtest.h>

#include "support/locale_check.h"

int main(int argc, char* argv[])
{
    // QApplication would load the locale too, but says nothing when it cannot.
    if (!testsupport::requestedLocaleLoads(argc, argv))
        return 1;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
