#include <gtest/gtest.h>

#include "common/thread_text_platform.h"

#ifdef _WIN32
#include <cstring>

#include "win32_test_support.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // A child started by a test to read the checks in a process of its own.
    if (argc > 1 && std::strcmp(argv[1], karvelin::test::kProbeChecksArg) == 0)
        return karvelin::test::ProbeChecksMain();
    if (argc > 1 && std::strcmp(argv[1], karvelin::test::kUnloadSoakArg) == 0)
        return karvelin::test::UnloadSoakMain(argc > 2 ? std::atoi(argv[2]) : 0);
    if (argc > 1 && std::strcmp(argv[1], karvelin::test::kCallSoakArg) == 0)
        return karvelin::test::CallSoakMain(argc > 2 ? std::atoi(argv[2]) : 0,
                                            argc > 3 && std::strcmp(argv[3], "every") == 0);
#endif
    // The library's objects are linked into this program: what the DLL's
    // entry point does at load is done here.
    karvelin::ThreadTextAttach();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
