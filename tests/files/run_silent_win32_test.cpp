// RunSilent through Karvelin.dll, starting Wine's command interpreter.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <vector>

#include "Karvelin.h"
#include "temp_folder.h"

namespace karvelin::test {
namespace {

using RunSilentFunction = int32_t (*)(const char*, const char*);

std::optional<std::string> Environment(const char* name) {
    char value[32768];  // the largest value there is, with its NUL
    ::SetLastError(ERROR_SUCCESS);
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string(value, length);
}

// Sets COMSPEC (nothing: removes it) for one scope, then puts it back.
class ComspecAs {
public:
    explicit ComspecAs(const char* value) : saved_(Environment("COMSPEC")) {
        ::SetEnvironmentVariableA("COMSPEC", value);
    }
    ~ComspecAs() { ::SetEnvironmentVariableA("COMSPEC", saved_ ? saved_->c_str() : nullptr); }

private:
    std::optional<std::string> saved_;
};

class RunSilentThroughTheDll : public InTempFolder<> {
protected:
    RunSilentThroughTheDll() : InTempFolder("runsilent") {}
    void SetUp() override {
        InTempFolder::SetUp();
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        run_ = Export<RunSilentFunction>(dll_.get(), "RunSilent");
        ASSERT_NE(run_, nullptr);
    }
    win32::unique_hmodule dll_;
    RunSilentFunction run_ = nullptr;
};

TEST_F(RunSilentThroughTheDll, AnswersTheExitCodeOrTheStartError) {
    const struct {
        const char* comspec;  // nullptr: as the prefix has it
        bool unset;
        const char* command;
        const char* argument;
        int32_t expected;
    } cases[] = {
        {nullptr, false, "exit", "0", 0},
        {nullptr, false, "exit", "3", 3},
        {nullptr, false, "exit", "-1", -1},  // 0xFFFFFFFF
        {nullptr, true, "exit", "3", 3},     // no COMSPEC: CMD.EXE, found on the search path
        {"C:\\no\\such\\cmd.exe", false, "exit", "0", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        std::optional<ComspecAs> comspec;
        if (c.comspec || c.unset) comspec.emplace(c.comspec);
        EXPECT_EQ(run_(c.command, c.argument), c.expected)
            << c.command << " " << c.argument << " COMSPEC " << (c.comspec ? c.comspec : c.unset ? "unset" : "kept");
    }
}

TEST_F(RunSilentThroughTheDll, QuotesAmpersandsAndRedirectionReachTheInterpreter) {
    const std::string file = base_ + "\\out 1.txt";

    // One command written, one appended; the quoted & is no separator.
    const std::string command = "echo \"a&b\">\"" + file + "\"";
    const std::string argument = "& echo x>>\"" + file + "\"";
    EXPECT_EQ(run_(command.c_str(), argument.c_str()), 0);

    std::vector<std::string> lines;
    {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            lines.push_back(line);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"\"a&b\"", "x"}));
    ::DeleteFileA(file.c_str());
    EXPECT_TRUE(::RemoveDirectoryA(base_.c_str())) << base_;
}

TEST_F(RunSilentThroughTheDll, LongLinesAreRunWholeUpToTheSystemsLimitAndRefusedPastIt) {
    const std::string interpreter = Environment("COMSPEC").value_or("CMD.EXE");
    const std::string marker = base_ + "\\started.txt";
    // "<interpreter> /c echo x> <marker> & exit 7 & rem xxx...": n characters.
    const std::string head = "x> " + marker + " & exit 7 & rem ";
    const auto argument = [&](std::size_t n) { return head + std::string(n - interpreter.size() - 4 - 5 - head.size(), 'x'); };
    const struct {
        std::size_t length;  // without the NUL
        int32_t answer;
    } cases[] = {{4096, 7}, {32767, 206}, {65573, 206}};  // Wine's interpreter fails long before 32,766
    for (const auto& c : cases) {
        ::DeleteFileA(marker.c_str());
        EXPECT_EQ(run_("echo", argument(c.length).c_str()), c.answer) << c.length;
        EXPECT_EQ(::GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES, c.answer == 7) << c.length;
    }
}

}  // namespace
}  // namespace karvelin::test
