// _Karvelin as the interpreters load it, run against stand-in interpreters
// (tests/module/standin): Karvelin.dll as the Python 2.3 and 2.7 module, and
// _Karvelin.pyd as the Python 3 one. Each face is registered, and every entry
// of its method table called with arguments the stand-in builds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "module/function_table.h"
#include "module/python_api.h"
#include "standin/python_standin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

using standin::Object;

std::string ProgramFolder() {
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path - 1);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

struct Face {
    const char* standin;  // beside the test program, under standin\ .
    int major;
    int api_version;
};

std::ostream& operator<<(std::ostream& out, const Face& face) { return out << face.standin; }

// A loaded stand-in, its helpers, and the module it has registered.
class PythonFace : public testing::TestWithParam<Face> {
protected:
    void SetUp() override {
        interpreter_.reset(::LoadLibraryA((ProgramFolder() + "standin\\" + GetParam().standin).c_str()));
        ASSERT_TRUE(interpreter_) << GetParam().standin << ": " << ::GetLastError();
#define KARVELIN_BIND_HELPER(result, name, parameters) \
    name = Export<result(*) parameters>(interpreter_.get(), #name);  \
    ASSERT_NE(name, nullptr) << #name;
        KARVELIN_STANDIN_HELPERS(KARVELIN_BIND_HELPER)
#undef KARVELIN_BIND_HELPER
        record_ = StandIn_Record();
        if (GetParam().major == 2) {
            module_ = LoadKarvelin();
            ASSERT_TRUE(module_);
            auto init = Export<void (*)()>(module_.get(), "init_Karvelin");
            ASSERT_NE(init, nullptr);
            init();
        } else {
            module_.reset(::LoadLibraryA((ProgramFolder() + "..\\python\\_Karvelin.pyd").c_str()));
            ASSERT_TRUE(module_) << ::GetLastError();
            auto init = Export<Object* (*)()>(module_.get(), "PyInit__Karvelin");
            ASSERT_NE(init, nullptr);
            ASSERT_NE(init(), nullptr);
        }
        methods_ = static_cast<const python::api::MethodDef*>(record_->methods);
        ASSERT_NE(methods_, nullptr);
    }
    void TearDown() override {
        module_.reset();  // before the interpreter it imports from
        interpreter_.reset();
    }

    bool Python2() const { return GetParam().major == 2; }

    // A text argument: str on both lines; a text buffer: Python 2's str, a
    // bytearray on Python 3.
    Object* Text(const std::string& text) {
        return StandIn_Text(text.data(), text.size(), Python2() ? standin::kStr : standin::kUnicode);
    }
    Object* Buffer(const std::string& text) {
        return StandIn_Text(text.data(), text.size(), Python2() ? standin::kStr : standin::kByteArray);
    }
    std::string Bytes(Object* object) {
        const char* data = nullptr;
        std::size_t size = 0;
        return StandIn_Bytes(object, &data, &size) ? std::string(data, size) : "(not a text: " + std::string(StandIn_TypeName(object)) + ")";
    }

    const python::api::MethodDef* Method(const char* name) {
        for (const python::api::MethodDef* method = methods_; method->ml_name; ++method)
            if (std::strcmp(method->ml_name, name) == 0) return method;
        return nullptr;
    }
    Object* Call(const char* name, const std::vector<Object*>& args) {
        const python::api::MethodDef* method = Method(name);
        if (!method) return nullptr;
        Object* tuple = StandIn_Tuple(args.size(), args.data());
        return reinterpret_cast<Object*>(method->ml_meth(nullptr, reinterpret_cast<python::api::Object*>(tuple)));
    }
    std::string TakeError(long long* needed = nullptr) {
        const char* message = nullptr;
        long long size = -1;
        const char* type = StandIn_TakeError(&message, &size);
        if (needed) *needed = size;
        return type ? std::string(type) + ": " + message : "";
    }

#define KARVELIN_HELPER_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
    KARVELIN_STANDIN_HELPERS(KARVELIN_HELPER_MEMBER)
#undef KARVELIN_HELPER_MEMBER
    win32::unique_hmodule interpreter_;
    win32::unique_hmodule module_;
    standin::Record* record_ = nullptr;
    const python::api::MethodDef* methods_ = nullptr;
};

TEST_P(PythonFace, RegistersTheModuleWithTheTableAndNothingElse) {
    EXPECT_EQ(record_->registrations, 1);
    EXPECT_STREQ(record_->module_name, "_Karvelin");
    EXPECT_EQ(record_->module_doc, nullptr);
    EXPECT_EQ(record_->api_version, GetParam().api_version);
    if (Python2()) {
        EXPECT_EQ(record_->self, nullptr);
        EXPECT_EQ(record_->dict_fetches, 1);
    } else {
        EXPECT_EQ(record_->module_size, -1);  // no per-module state
    }
    EXPECT_EQ(record_->dict_items, 0);
    std::size_t index = 0;
#define KARVELIN_CHECK_ENTRY(name, ...)                                    \
    EXPECT_STREQ(methods_[index].ml_name, #name) << "entry " << index;     \
    EXPECT_EQ(methods_[index].ml_flags, python::api::kMethVarargs) << #name; \
    EXPECT_EQ(methods_[index].ml_doc, nullptr) << #name;                   \
    ++index;
    KARVELIN_FUNCTIONS(KARVELIN_CHECK_ENTRY)
#undef KARVELIN_CHECK_ENTRY
    EXPECT_EQ(index, 24u);
    EXPECT_EQ(methods_[index].ml_name, nullptr);  // the table's end
}

enum class Answer { AnyInt, Int, AnyText, Text, None };
struct Arg {
    enum { kText, kBuffer, kInt } kind;
    std::string text;
    long long number;
};
Arg S(std::string text) { return {Arg::kText, std::move(text), 0}; }
Arg B(std::string text) { return {Arg::kBuffer, std::move(text), 0}; }
Arg I(long long number) { return {Arg::kInt, "", number}; }

struct EntryCase {
    const char* name;
    std::vector<Arg> args;
    const char* format;  // as Python 2's parser is given it
    Answer answer;
    long long number = 0;
    const char* text = "";
    const char* buffer_after = nullptr;  // a text buffer as the call leaves it
};

const std::string kNoFolder = "Q:\\karvelin-no-such-folder";

const EntryCase kEntries[] = {
    {"CheckOS", {}, ":CheckOS", Answer::AnyInt},
    {"CheckIeVersion", {}, ":CheckIeVersion", Answer::AnyInt},
    {"FindServerVersion", {}, ":FindServerVersion", Answer::AnyInt},
    {"RunSilent", {S("exit"), S("-1")}, "ss:RunSilent", Answer::Int, -1},  // exit code 0xFFFFFFFF
    {"CheckUserRight", {}, ":CheckUserRight", Answer::AnyInt},
    {"GetCurrentInstallationType", {}, ":GetCurrentInstallationType", Answer::AnyInt},
    {"Recode", {S("abc"), I(3)}, "si:Recode", Answer::Text, 0, "?E8>17"},
    {"Decode", {S("?E8>17"), I(6)}, "si:Decode", Answer::Text, 0, "abc"},
    {"CreateShortcut", {S(kNoFolder + "\\a.exe"), S(""), S(""), S(kNoFolder + "\\a.lnk"), S("")},
     "sssss:CreateShortcut", Answer::AnyInt},
    {"GetWinDeskTopDir", {}, ":GetWinDeskTopDir", Answer::AnyText},
    {"GetWinProgramDir", {}, ":GetWinProgramDir", Answer::AnyText},
    {"GetWindowsDir", {}, ":GetWindowsDir", Answer::AnyText},
    {"GetAddress", {B(std::string(4096, ' '))}, "s:GetAddress", Answer::AnyInt},
    {"GetHostIPAddr", {B(std::string(256, ' '))}, "s:GetHostIPAddr", Answer::None},
    {"TrimRight", {B(" ab  ")}, "s:TrimRight", Answer::None, 0, "", " ab\0\0"},
    {"TrimLeft", {B(" ab  ")}, "s:TrimLeft", Answer::None, 0, "", "ab  \0"},
    {"ValidateNet", {S("192.168.1.10"), S("255.255.255.0"), S("192.168.1.0"), S("192.168.1.1")}, "ssss:ValidateNet",
     Answer::Int, 0},
    {"ValidateTheIP", {S("192.168.1.10")}, "s:ValidateTheIP", Answer::Int, 1},
    {"CopyTheFile", {S(kNoFolder + "\\a"), S(kNoFolder + "\\b")}, "ss:CopyTheFile", Answer::Int, 0},
    {"IsLetterfigureString", {S("abc123")}, "s:IsLetterfigureString", Answer::Int, 0},
    {"CheckBureauName", {S("a-b")}, "s:CheckBureauName", Answer::Int, 0},
    {"CheckDestFileDir", {S("D:")}, "s:CheckDestFileDir", Answer::Int, 236798212},  // ERR_DEST_PATH_IS_ROOT
    {"DelFilesAndDir", {S(kNoFolder)}, "s:DelFilesAndDir", Answer::None},
    {"GetErrorDescription", {I(-1)}, "i:GetErrorDescription", Answer::Text, 0, "4294967295"},
};

TEST_P(PythonFace, EveryEntryTakesItsArgumentsAndConvertsItsAnswer) {
    ASSERT_EQ(std::size(kEntries), 24u);
    for (const EntryCase& entry : kEntries) {
        SCOPED_TRACE(entry.name);
        std::vector<Object*> args;
        for (const Arg& arg : entry.args)
            args.push_back(arg.kind == Arg::kInt ? StandIn_Int(arg.number)
                                                 : arg.kind == Arg::kText ? Text(arg.text) : Buffer(arg.text));
        record_->last_format[0] = '\0';
        const int releases = record_->lock_releases;
        Object* result = Call(entry.name, args);
        ASSERT_NE(result, nullptr) << TakeError();
        if (Python2()) {
            EXPECT_STREQ(record_->last_format, entry.format);
        }
        // Python 3 lets other threads run while a command or a copy waits.
        const bool waits = !Python2() && (std::strcmp(entry.name, "RunSilent") == 0 ||
                                          std::strcmp(entry.name, "CopyTheFile") == 0 ||
                                          std::strcmp(entry.name, "DelFilesAndDir") == 0);
        EXPECT_EQ(record_->lock_releases - releases, waits ? 1 : 0);
        EXPECT_EQ(record_->lock_restores, record_->lock_releases);
        long long number = 0;
        switch (entry.answer) {
            case Answer::AnyInt: EXPECT_TRUE(StandIn_IntValue(result, &number)) << StandIn_TypeName(result); break;
            case Answer::Int:
                ASSERT_TRUE(StandIn_IntValue(result, &number)) << StandIn_TypeName(result);
                EXPECT_EQ(number, entry.number);
                break;
            case Answer::AnyText: EXPECT_STREQ(StandIn_TypeName(result), "str"); break;
            case Answer::Text:
                EXPECT_STREQ(StandIn_TypeName(result), "str");
                EXPECT_EQ(Bytes(result), entry.text);
                break;
            case Answer::None: EXPECT_STREQ(StandIn_TypeName(result), "NoneType"); break;
        }
        if (entry.buffer_after) {  // written in place
            EXPECT_EQ(Bytes(args[0]), std::string(entry.buffer_after, entry.args[0].text.size()));
        }
        if (std::strcmp(entry.name, "Recode") == 0 || std::strcmp(entry.name, "Decode") == 0) {
            // The library's new text was copied while it lived, then given back.
            EXPECT_TRUE(record_->copied_from_live_block);
            EXPECT_FALSE(::HeapValidate(::GetProcessHeap(), 0, record_->copied_from));
        }
        if (!Python2() && !entry.args.empty() && entry.args[0].kind == Arg::kText) {
            EXPECT_STREQ(record_->last_encoding, "mbcs");
            EXPECT_STREQ(record_->last_errors, "surrogateescape");
        }
    }
    WaitForRemovalCommands();
}

// A refused argument list: the error stands, and the library is not called.
TEST_P(PythonFace, RefusedArgumentsCallNothing) {
    const std::string folder = NewTempFolder("python-face");
    ASSERT_FALSE(folder.empty());
    const std::string source = folder + "\\source.txt", copy = folder + "\\copy.txt";
    {
        win32::unique_handle file(::CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
    }
    struct Refusal {
        const char* name;
        std::vector<Object*> args;
        std::string error;  // its start
        long long needed = -1;
    };
    const bool py2 = Python2();
    std::vector<Refusal> refusals = {
        {"CopyTheFile", {Text(source), Text(copy), StandIn_Int(1)}, "TypeError: "},
        {"CopyTheFile", {Text(source), StandIn_Int(1)}, "TypeError: "},
        {"GetErrorDescription", {StandIn_Int(1ll << 31)}, "OverflowError: "},
        {"GetHostIPAddr", {Buffer(std::string(15, ' '))},
         py2 ? "ValueError: GetHostIPAddr() needs a string of 16 characters, not 15"
             : "ValueError: GetHostIPAddr() needs a buffer of 16 bytes, not 15",
         py2 ? -1 : 16},
        {"Recode", {Text("abc"), StandIn_Int(4)}, "ValueError: Recode() count 4 is outside the text of 3"},
    };
    if (py2) {  // the str's own storage is written: never a shared or hidden one
        refusals.push_back({"TrimLeft", {StandIn_Text(" a", 2, standin::kInternedStr)},
                            "ValueError: TrimLeft() argument 1 is a shared (interned) string: pass a string of your own"});
        refusals.push_back({"TrimLeft", {StandIn_Text(" a", 2, standin::kUnicode)},
                            "TypeError: TrimLeft() argument 1 must be str, not unicode"});
    } else {
        refusals.push_back({"TrimLeft", {Text("  ab")}, "TypeError: TrimLeft() argument 1 must be bytearray, not str"});
    }
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        EXPECT_EQ(Call(refusal.name, refusal.args), nullptr);
        long long needed = 0;
        EXPECT_EQ(TakeError(&needed).rfind(refusal.error, 0), 0u) << refusal.error;
        EXPECT_EQ(needed, refusal.needed);
    }
    EXPECT_EQ(::GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveAll(folder);
}

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
            standins[i].reset(::LoadLibraryA((ProgramFolder() + "standin\\" + kNames[i]).c_str()));
            ASSERT_TRUE(standins[i]) << kNames[i];
            records[i] = Export<standin::Record* (*)()>(standins[i].get(), "StandIn_Record")();
            records[i]->initialized = c.runs[i];
            records[i]->holds_this_thread = c.here[i];
        }
        win32::unique_hmodule module = LoadKarvelin();  // unloaded before the interpreters
        ASSERT_TRUE(module);
        Export<void (*)()>(module.get(), "init_Karvelin")();
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(records[i]->registrations, c.registrations[i]) << kNames[i];
            const char* message = "";
            long long needed = 0;
            const char* type = Export<const char* (*)(const char**, long long*)>(standins[i].get(),
                                                                                 "StandIn_TakeError")(&message, &needed);
            EXPECT_EQ(type ? std::string(type) + ": " + message : "", c.told[i]) << kNames[i];
        }
    }
}

const Face kFaces[] = {
#ifndef _WIN64  // 2.3 and 2.4 had no 64-bit registration
    {"python23.dll", 2, 1012},
#endif
    {"python27.dll", 2, 1013},
    {"python3.dll", 3, 3},
};
INSTANTIATE_TEST_SUITE_P(StandIn, PythonFace, testing::ValuesIn(kFaces));

}  // namespace
}  // namespace karvelin::test
