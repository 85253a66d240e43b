// The one entry point of the test programs (native and Windows).
#include <gtest/gtest.h>

#include "support/qxApplicationEvents.h"

#ifndef _WIN32
#include <cstdlib>
#include <filesystem>
#include <string>
#endif

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A second instance ends its process at once; inside a test that would end the whole run
    // unseen, so here it fails the test instead. Child processes that test it put it back.
    TqxApplicationEvents::SetHaltForTests([] {
        ADD_FAILURE() << "a second instance would have ended the test program here";
    });
#ifndef _WIN32
    // Instance locks and wake-ups live in XDG_RUNTIME_DIR: a folder per run keeps parallel runs
    // on one machine apart. Child processes share their parent's.
    std::string privateDir;
    if (!std::getenv("SKIMBAR_TEST_RUNTIME_DIR")) {
        char pattern[] = "/tmp/skimbar-tests-XXXXXX";
        if (::mkdtemp(pattern)) {
            privateDir = pattern;
            ::setenv("XDG_RUNTIME_DIR", pattern, 1);
            ::setenv("SKIMBAR_TEST_RUNTIME_DIR", pattern, 1);
        }
    }
#endif
    const int rc = RUN_ALL_TESTS();
#ifndef _WIN32
    if (!privateDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(privateDir, ec);
    }
#endif
    return rc;
}
