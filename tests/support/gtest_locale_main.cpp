// The main of test binaries without Qt: the locale the environment asks for, or no run at all.
#include <gtest/gtest.h>

#include "support/locale_check.h"

int main(int argc, char* argv[])
{
    if (!testsupport::requestedLocaleLoads(argc, argv))
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
