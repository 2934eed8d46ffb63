#include <gtest/gtest.h>

#ifdef _WIN32
#include <cstring>

#include "win32_test_support.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // A child started by a test to read the checks in a process of its own.
    if (argc > 1 && std::strcmp(argv[1], karvelin::test::kProbeChecksArg) == 0)
        return karvelin::test::ProbeChecksMain();
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
