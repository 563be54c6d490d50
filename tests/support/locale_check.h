#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace testsupport {

// A run meant for another locale (LC_ALL=tr_TR.UTF-8, say) must not pass in the C locale because that
// locale is missing: then it says so and the run fails. Listing the tests, as the build does, needs no
// locale and goes on.
inline bool requestedLocaleLoads(int argc, char** argv)
{
    const char* wanted = std::getenv("LC_ALL");
    bool loads = wanted == nullptr || *wanted == '\0' || std::setlocale(LC_ALL, "") != nullptr;
    for (int i = 1; i < argc && !loads; ++i)
        loads = std::strcmp(argv[i], "--gtest_list_tests") == 0;
    if (!loads)
        std::fprintf(stderr, "LC_ALL=%s names a locale that cannot be loaded (LOCPATH=%s); no test was run.\n", wanted,
                     std::getenv("LOCPATH") != nullptr ? std::getenv("LOCPATH") : "unset");
    return loads;
}

} // namespace testsupport
