// _Karvelin as the Python 2 module, with two stand-in interpreters
// (tests/module/standin) loaded in one process.
#include <gtest/gtest.h>

#include <string>

#include "module/standin_calls_win32.h"
#include "standin/python_standin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

// Python 2.3 and 2.7 loaded side by side: the module registers with the one
// that runs, whichever is newer. With none running it calls neither; with
// both it registers nothing, and only the importer (the one with a thread
// state on this thread) is told why.
TEST(PythonTwoInterpreters, RegistersWithTheOneThatRuns) {
    const char* const kNames[] = {"python23.dll", "python27.dll"};
    const struct {
        bool runs[2], here[2];  // as kNames
        int registrations[2];
        const char* told[2];  // the error each is left with
    } cases[] = {
        {{true, false}, {true, true}, {1, 0}, {"", ""}},
        {{false, true}, {true, true}, {0, 1}, {"", ""}},
        {{false, true}, {true, false}, {0, 0}, {"", ""}},  // no thread state here: no call without its lock
        {{false, false}, {true, true}, {0, 0}, {"", ""}},
        {{true, true}, {false, true}, {0, 0}, {"", "ImportError: _Karvelin binds to one Python 2 interpreter, and 2 run "
                                                   "in this process: python27.dll, python23.dll"}},
        {{true, true}, {true, true}, {0, 0}, {"", ""}},  // the importer cannot be told
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "runs " << c.runs[0] << c.runs[1] << ", here " << c.here[0] << c.here[1]);
        win32::unique_hmodule standins[2];
        standin::Record* records[2] = {};
        for (int i = 0; i < 2; ++i) {
            standins[i] = LoadBeside(std::string("standin\\") + kNames[i]);
            ASSERT_TRUE(standins[i]) << kNames[i];
            records[i] = Exported<standin::Record* (*)()>(standins[i].get(), "StandIn_Record")();
            records[i]->initialized = c.runs[i];
            records[i]->holds_this_thread = c.here[i];
        }
        const LoadedKarvelin module;  // unloaded before the interpreters
        module.Get<void (*)()>("init_Karvelin")();
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(records[i]->registrations, c.registrations[i]) << kNames[i];
            EXPECT_EQ(TakenError(standins[i].get()), c.told[i]) << kNames[i];
        }
    }
}

}  // namespace
}  // namespace karvelin::test
