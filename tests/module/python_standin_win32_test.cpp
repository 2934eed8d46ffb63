// _Karvelin as the interpreters load it, run against stand-in interpreters
// (tests/module/standin): Karvelin.dll as the Python 2.3 and 2.7 module, and
// _Karvelin.pyd as the Python 3 one. Each face is registered, and every entry
// of its method table called with its sample's arguments, built by the stand-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "temp_folder.h"
#include "module/function_table.h"
#include "module/table_samples.h"
#include "module/python_api.h"
#include "standin/python_standin.h"
#include "module/standin_calls_win32.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

using standin::Object;

struct Face {
    const char* standin;  // beside the test program, under standin\ .
    int major, api_version;
};

struct Arg {
    enum { kText, kBuffer, kInt } kind;
    std::string text;
    long long number;
};
Arg S(std::string text) { return {Arg::kText, std::move(text), 0}; }
Arg B(std::string text) { return {Arg::kBuffer, std::move(text), 0}; }
Arg I(long long number) { return {Arg::kInt, "", number}; }

struct EntryCase {
    std::string name;
    std::vector<Arg> args;
    const char* type;                 // the answer's type name
    std::optional<long long> number = std::nullopt;  // the answer, where the case knows it
    const char* text = nullptr;
    const char* buffer_after = nullptr;  // a text buffer as the call leaves it
};

std::ostream& operator<<(std::ostream& out, const Face& face) { return out << face.standin; }

// A loaded stand-in, its helpers, and the module it has registered.
class PythonFace : public testing::TestWithParam<Face> {
protected:
    void SetUp() override {
        interpreter_ = LoadBeside(std::string("standin\\") + GetParam().standin);
        ASSERT_TRUE(interpreter_) << GetParam().standin << ": " << ::GetLastError();
#define KARVELIN_BIND_HELPER(result, name, parameters) name = Exported<result(*) parameters>(interpreter_.get(), #name);
        KARVELIN_STANDIN_HELPERS(KARVELIN_BIND_HELPER)
#undef KARVELIN_BIND_HELPER
        record_ = StandIn_Record();
        module_ = Python2() ? LoadKarvelin() : LoadBeside("..\\python\\_Karvelin.pyd");
        ASSERT_TRUE(module_) << ::GetLastError();
        if (Python2())
            Exported<void (*)()>(module_.get(), "init_Karvelin")();
        else
            ASSERT_NE(Exported<Object* (*)()>(module_.get(), "PyInit__Karvelin")(), nullptr);
        methods_ = static_cast<const python::api::MethodDef*>(record_->methods);
        ASSERT_NE(methods_, nullptr);
    }
    bool Python2() const { return GetParam().major == 2; }
    // Calls the entry and checks its answer against the case and its table row.
    void CheckEntry(const EntryCase& entry);

    // A text argument: str on both lines; a text buffer: Python 2's str, a
    // bytearray on Python 3.
    Object* Text(const std::string& text, bool buffer = false) {
        const int kind = Python2() ? standin::kStr : buffer ? standin::kByteArray : standin::kUnicode;
        return StandIn_Text(text.data(), text.size(), kind);
    }
    std::string Bytes(Object* object) {
        const char* data = nullptr;
        std::size_t size = 0;
        return StandIn_Bytes(object, &data, &size) ? std::string(data, size) : "(not a text: " + std::string(StandIn_TypeName(object)) + ")";
    }

    // The method table's entry `name` called with `args` (nullptr: no such entry, or the error it raised).
    Object* Call(const char* name, const std::vector<Object*>& args) {
        const python::api::MethodDef* method = methods_;
        while (method->ml_name && std::strcmp(method->ml_name, name) != 0) ++method;
        auto* tuple = reinterpret_cast<python::api::Object*>(StandIn_Tuple(args.size(), args.data()));
        return method->ml_name ? reinterpret_cast<Object*>(method->ml_meth(nullptr, tuple)) : nullptr;
    }
    std::string TakeError(long long* needed = nullptr) { return TakenError(interpreter_.get(), needed); }

#define KARVELIN_HELPER_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
    KARVELIN_STANDIN_HELPERS(KARVELIN_HELPER_MEMBER)
#undef KARVELIN_HELPER_MEMBER
    win32::unique_hmodule interpreter_;
    win32::unique_hmodule module_;  // released first: before the interpreter it imports from
    standin::Record* record_ = nullptr;
    const python::api::MethodDef* methods_ = nullptr;
};

TEST_P(PythonFace, RegistersTheModuleWithTheTableAndNothingElse) {
    EXPECT_EQ(record_->registrations, 1);
    EXPECT_STREQ(record_->module_name, "_Karvelin");
    EXPECT_STREQ(std::string(record_->module_doc ? record_->module_doc : "").substr(0, 10).c_str(), "Karvelin, ");
    EXPECT_EQ(record_->api_version, GetParam().api_version);
    EXPECT_EQ(record_->self, nullptr);
    EXPECT_EQ(record_->dict_fetches, Python2() ? 1 : 0);
    EXPECT_EQ(record_->module_size, Python2() ? 0 : -1);  // Python 3: no per-module state
    EXPECT_EQ(record_->dict_items, 0);
    std::size_t index = 0;
    for (const char* name : table::kFunctionNames) {
        EXPECT_STREQ(methods_[index].ml_name, name) << "entry " << index;
        EXPECT_EQ(methods_[index].ml_flags, python::api::kMethVarargs) << name;
        // The signature line, then the summary; Python 3 marks the line as the signature.
        const char* const ml_doc = methods_[index++].ml_doc;
        const std::string doc = ml_doc ? ml_doc : "";
        EXPECT_EQ(doc.rfind(std::string(name) + "(", 0), 0u) << doc;
        EXPECT_NE(doc.find(Python2() ? ")\n\n" : ")\n--\n\n"), std::string::npos) << doc;
    }
    EXPECT_EQ(methods_[index].ml_name, nullptr);  // the table's end
}

// A row of the function table as the faces take it: the parameters' kinds,
// the format Python 2's parser is given, what the module answers (by what
// its glue calls), whether Python 3 lets other threads run meanwhile, and
// whether the library answers a new text.
struct TableRow {
    std::string name;
    std::vector<Arg> (*args)(const table::Sample& sample, const std::string& folder);
    std::string format;
    const char* answer;
    bool releases, new_text;
};

template <typename T>
Arg SampleArg(const std::string& text) {  // a buffer's "@SIZE/FIELDS": SIZE blanks
    return std::is_same_v<T, char*> ? B(text[0] == '@' ? std::string(std::strtoul(&text[1], nullptr, 10), ' ') : text)
           : std::is_same_v<T, const char*> ? S(text)
                                            : I(std::strtoll(text.c_str(), nullptr, 10));
}
template <typename... A>
std::vector<Arg> SampleArgs([[maybe_unused]] const table::Sample& sample, [[maybe_unused]] const std::string& folder) {
    [[maybe_unused]] std::size_t i = 0;
    return {SampleArg<A>(SampleArgument(sample.arguments[i++], folder))...};
}
template <typename R>
constexpr const char* AnswerOf() {  // "NoneType": nothing, or an answer the module does not use
    return std::is_same_v<R, std::int32_t> || std::is_same_v<R, ResultCode> ? "int"
           : std::is_same_v<R, const char*> || std::is_same_v<R, char*>   ? "str"
                                                                          : "NoneType";
}
template <typename R, typename... A, typename Python, typename... P>
TableRow RowOf(const char* name, R (*)(A...), Python (*)(P...), Lock lock) {
    TableRow row{name, &SampleArgs<A...>, "", AnswerOf<Python>(), lock == Lock::Releases, std::is_same_v<R, char*>};
    ((row.format += std::is_same_v<A, std::uint32_t> ? 'i' : 's'), ...);
    row.format += ":" + row.name;
    return row;
}
#define KARVELIN_TABLE_ROW(name, type, arguments, python, lock) \
    RowOf(#name, std::add_pointer_t<type>{}, &python, Lock::lock),
const std::vector<TableRow> kRows = {KARVELIN_FUNCTIONS(KARVELIN_TABLE_ROW)};
#undef KARVELIN_TABLE_ROW

// Each face's conversions: a result at or above 0x80000000 answers negative,
// an integer argument reaches the library as its 32 bits, a new text is
// copied, a text buffer is written in place.
const EntryCase kConversions[] = {
    {"RunSilent", {S("exit"), S("-1")}, "int", -1},  // exit code 0xFFFFFFFF
    {"Recode", {S(TableSample("Recode", 0)), I(3)}, "str", {}, TableSample("Decode", 0)},
    {"Decode", {S(TableSample("Decode", 0)), I(6)}, "str", {}, TableSample("Recode", 0)},
    {"TrimRight", {B(" ab  ")}, "NoneType", {}, nullptr, " ab\0\0"},
    {"TrimLeft", {B(" ab  ")}, "NoneType", {}, nullptr, "ab  \0"},
    {"CheckDestFileDir", {S("D:")}, "int", 236798212},  // ERR_DEST_PATH_IS_ROOT
    {"GetErrorDescription", {I(-1)}, "str", {}, "4294967295"},
};

void PythonFace::CheckEntry(const EntryCase& entry) {
    SCOPED_TRACE(entry.name);
    const TableRow& row = kRows.at(table::RowOf(entry.name.c_str()));
    std::vector<Object*> args;
    for (const Arg& arg : entry.args)
        args.push_back(arg.kind == Arg::kInt ? StandIn_Int(arg.number)
                                             : Text(arg.text, arg.kind == Arg::kBuffer));
    record_->last_format[0] = '\0';
    const int releases = record_->lock_releases;
    Object* result = Call(entry.name.c_str(), args);
    ASSERT_NE(result, nullptr) << TakeError();
    EXPECT_EQ(record_->last_format, Python2() ? row.format : "");
    // Python 3 lets other threads run while a command, a copy or a removal waits.
    EXPECT_EQ(record_->lock_releases - releases, !Python2() && row.releases ? 1 : 0);
    EXPECT_EQ(record_->lock_restores, record_->lock_releases);
    EXPECT_STREQ(StandIn_TypeName(result), entry.type);
    long long number = 0;
    EXPECT_TRUE(!entry.number || (StandIn_IntValue(result, &number) && number == *entry.number)) << number;
    EXPECT_TRUE(!entry.text || Bytes(result) == entry.text) << Bytes(result);
    EXPECT_TRUE(!entry.buffer_after ||  // written in place
                Bytes(args[0]) == std::string(entry.buffer_after, entry.args[0].text.size()))
        << Bytes(args[0]);
    if (row.new_text) {
        // The library's new text was copied while it lived, then given back.
        EXPECT_TRUE(record_->copied_from_live_block);
        EXPECT_FALSE(::HeapValidate(::GetProcessHeap(), 0, record_->copied_from));
    }
    if (!Python2() && !entry.args.empty() && entry.args[0].kind == Arg::kText) {
        EXPECT_STREQ(record_->last_encoding, "mbcs");
        EXPECT_STREQ(record_->last_errors, "surrogateescape");
    }
}

TEST_P(PythonFace, EveryEntryTakesItsSampleAndAnswersItsKind) {
    ASSERT_EQ(kRows.size(), std::size(table::kSamples));
    const TempFolder folder("python-face-samples");
    ASSERT_FALSE(folder.path().empty());
    for (std::size_t i = 0; i < kRows.size(); ++i)
        CheckEntry({kRows[i].name, kRows[i].args(table::kSamples[i].samples[0], folder.path()), kRows[i].answer});
    WaitForRemovalCommands();
}

TEST_P(PythonFace, EntriesConvertTheirArgumentsAndAnswers) {
    for (const EntryCase& entry : kConversions) CheckEntry(entry);
}

// Another thread that changes folder while the lock is released steers no
// relative name: the copy lies beside the source it was copied from.
TEST_P(PythonFace, CopyTheFileTakesTheCurrentFolderWithTheLockHeld) {
    const TempFolder here_temp("python-face-here"), there_temp("python-face-there");
    const std::string &here = here_temp.path(), &there = there_temp.path();
    ASSERT_FALSE(here.empty() || there.empty());
    for (const std::string& folder : {here, there}) std::ofstream(folder + "\\source.txt") << folder;
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    ::SetCurrentDirectoryA(here.c_str());
    std::snprintf(record_->folder_on_release, sizeof record_->folder_on_release, "%s", there.c_str());
    Object* result = Call("CopyTheFile", {Text("source.txt"), Text("copy.txt")});
    record_->folder_on_release[0] = '\0';
    ::SetCurrentDirectoryA(saved);
    long long answer = 0;
    EXPECT_TRUE(result && StandIn_IntValue(result, &answer) && answer == 1) << TakeError();
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(std::ifstream(here + "\\copy.txt").rdbuf()), {}), here);
    EXPECT_EQ(::GetFileAttributesA((there + "\\copy.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A refused argument list: the error stands, and the library is not called.
TEST_P(PythonFace, RefusedArgumentsCallNothing) {
    const TempFolder folder("python-face");
    ASSERT_FALSE(folder.path().empty());
    const std::string source = folder.path() + "\\source.txt", copy = folder.path() + "\\copy.txt";
    ASSERT_TRUE(std::ofstream(source) << "source");
    struct Refusal {
        const char* name;
        std::vector<Object*> args;
        std::string error;  // its start
        long long needed = -1;
        int line = 0;  // the one line that refuses so (0: both)
    };
    const bool py2 = Python2();
    const std::vector<Refusal> refusals = {
        {"CopyTheFile", {Text(source), Text(copy), StandIn_Int(1)}, "TypeError: "},
        {"CopyTheFile", {Text(source), StandIn_Int(1)}, "TypeError: "},
        {"GetErrorDescription", {StandIn_Int(1ll << 31)}, "OverflowError: "},
        {"GetHostIPAddr", {Text(std::string(15, ' '), true)},
         py2 ? "ValueError: GetHostIPAddr() needs a string of 16 characters, not 15"
             : "ValueError: GetHostIPAddr() needs a buffer of 16 bytes, not 15",
         py2 ? -1 : 16},
        {"Recode", {Text("abc"), StandIn_Int(4)}, "ValueError: Recode() count 4 is outside the text of 3"},
        // Python 2: the str's own storage is written, never a shared or hidden one.
        {"TrimLeft", {StandIn_Text(" a", 2, standin::kInternedStr)},
         "ValueError: TrimLeft() argument 'text' is a shared (interned) string: pass a string of your own", -1, 2},
        {"TrimLeft", {StandIn_Text(" a", 2, standin::kUnicode)},
         "TypeError: TrimLeft() argument 'text' must be str, not unicode", -1, 2},
        {"TrimLeft", {Text("  ab")}, "TypeError: TrimLeft() argument 'text' must be bytearray, not str", -1, 3},
    };
    for (const Refusal& refusal : refusals) {
        if (refusal.line && refusal.line != GetParam().major) continue;
        SCOPED_TRACE(refusal.name);
        EXPECT_EQ(Call(refusal.name, refusal.args), nullptr);
        long long needed = 0;
        EXPECT_EQ(TakeError(&needed).rfind(refusal.error, 0), 0u) << refusal.error;
        EXPECT_EQ(needed, refusal.needed);
    }
    EXPECT_EQ(::GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
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
