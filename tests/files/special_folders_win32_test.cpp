// The folder queries and CreateShortcut through Karvelin.dll, on Wine's shell.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <thread>
#include <vector>

#include "Karvelin.h"
#include "temp_folder.h"

namespace karvelin::test {
namespace {

using Query = const char* (*)();
using CreateShortcutFunction = int32_t (*)(const char*, const char*, const char*, const char*, const char*);

constexpr int32_t kLinkPathTooLong = static_cast<int32_t>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));

std::string SystemFolder(int csidl) {
    char path[MAX_PATH] = {};
    return ::SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

TEST(SpecialFoldersThroughTheDll, AnswerAsTheSystemDoes) {
    win32::unique_hmodule dll = LoadKarvelin();
    ASSERT_TRUE(dll);
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const struct {
        const char* name;
        std::string expected;
    } cases[] = {
        {"GetWinDeskTopDir", SystemFolder(CSIDL_DESKTOP)},
        {"GetWinProgramDir", SystemFolder(CSIDL_PROGRAMS)},
        {"GetWindowsDir", windows},
    };
    for (const auto& c : cases) {
        auto query = Export<Query>(dll.get(), c.name);
        ASSERT_NE(query, nullptr) << c.name;
        const char* answer = query();
        ASSERT_NE(answer, nullptr) << c.name;
        EXPECT_EQ(answer, c.expected) << c.name;
        std::printf("%s: \"%s\"\n", c.name, answer);
    }
    // The Start menu's program groups, not where programs are installed.
    EXPECT_NE(Export<Query>(dll.get(), "GetWinProgramDir")(), SystemFolder(CSIDL_PROGRAM_FILES));
}

// Target, arguments, working directory, description.
using LinkFields = std::array<std::string, 4>;

// A shortcut file read back through the shell's own link object.
LinkFields ReadLink(const std::string& file) {
    win32::unique_couninitialize_call apartment = win32::CoInitializeCall();
    win32::com_ptr<IShellLinkA> link;
    win32::com_ptr<IPersistFile> persist;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void())))
        return {"(no link object)", "", "", ""};
    WCHAR wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (FAILED(persist->Load(wide, STGM_READ))) return {"(not loaded)", "", "", ""};
    char target[MAX_PATH] = {}, arguments[1024] = {}, working_dir[MAX_PATH] = {}, description[1024] = {};
    link->GetPath(target, sizeof target, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, sizeof arguments);
    link->GetWorkingDirectory(working_dir, sizeof working_dir);
    link->GetDescription(description, sizeof description);
    return {target, arguments, working_dir, description};
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The files in a folder (not its subfolders), by name.
std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    win32::unique_hfind find(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileA(find.get(), &found));
    return names;
}

// A folder of this test's own under the temporary folder, with a target file;
// removed with everything in it afterwards.
class ShortcutThroughTheDll : public InTempFolder<> {
protected:
    ShortcutThroughTheDll() : InTempFolder("shortcut") {}
    void SetUp() override {
        InTempFolder::SetUp();
        target_ = base_ + "\\server setup.exe";
        win32::unique_hfile file(::CreateFileA(target_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        create_ = Export<CreateShortcutFunction>(dll_.get(), "CreateShortcut");
        ASSERT_NE(create_, nullptr);
    }
    void TearDown() override {
        for (const std::string& name : Files(base_)) ::DeleteFileA((base_ + "\\" + name).c_str());
        EXPECT_TRUE(::RemoveDirectoryA(base_.c_str())) << base_ << " is left with something in it";
    }
    int32_t Create(const LinkFields& f, const std::string& link) {
        return create_(f[0].c_str(), f[1].c_str(), f[2].c_str(), link.c_str(), f[3].c_str());
    }

    std::string target_;
    win32::unique_hmodule dll_;
    CreateShortcutFunction create_ = nullptr;
};

TEST_F(ShortcutThroughTheDll, WritesWhatItIsGiven) {
    const LinkFields cases[] = {
        {target_, "/quiet \"C:\\Server Data\" -p 8080", base_, "Server console"},
        {target_, "", "", ""},  // empty values are set empty
    };
    int n = 0;
    for (const LinkFields& c : cases) {
        const std::string link = base_ + "\\shortcut " + std::to_string(n++) + ".lnk";
        EXPECT_EQ(Create(c, link), 0) << link;
        EXPECT_EQ(ReadLink(link), c);
    }
}

TEST_F(ShortcutThroughTheDll, RefusesWhatCannotBeSavedAndCreatesNoFolder) {
    const LinkFields fields{target_, "", base_, ""};
    const std::string missing = base_ + "\\missing";
    const int32_t result = Create(fields, missing + "\\x.lnk");
    EXPECT_LT(result, 0);
    EXPECT_FALSE(Exists(missing));
    std::printf("CreateShortcut into a missing folder answers 0x%08X\n", static_cast<unsigned>(result));

    // A link path of 260 characters (261 wide with the NUL) is refused whole;
    // one of 259 is the longest taken.
    const auto padded = [&](std::size_t n) {
        const std::string head = base_ + "\\";
        return head + std::string(n - head.size() - 4, 'p') + ".lnk";
    };
    EXPECT_EQ(Create(fields, padded(260)), kLinkPathTooLong);
    EXPECT_EQ(Create(fields, padded(600)), kLinkPathTooLong);
    // The target alone: nothing saved under a cut name.
    EXPECT_EQ(Files(base_), std::vector<std::string>{"server setup.exe"});
    EXPECT_EQ(Create(fields, padded(259)), 0);
    EXPECT_TRUE(Exists(padded(259)));
}

// A thread that is in an apartment of its own before the call is in the same
// apartment, at the same depth, afterwards.
TEST_F(ShortcutThroughTheDll, KeepsTheCallersApartment) {
    const struct {
        const char* name;
        DWORD model;
    } cases[] = {{"single-threaded", COINIT_APARTMENTTHREADED}, {"multithreaded", COINIT_MULTITHREADED}};
    for (const auto& c : cases) {
        const std::string link = base_ + "\\" + c.name + ".lnk";
        HRESULT entered = E_FAIL, again = E_FAIL, other = E_FAIL, after = E_FAIL;
        int32_t result = -1;
        std::thread([&] {
            entered = ::CoInitializeEx(nullptr, c.model);
            result = Create({target_, "", "", ""}, link);
            again = ::CoInitializeEx(nullptr, c.model);  // still in it: S_FALSE, one level more
            other = ::CoInitializeEx(nullptr, c.model ^ COINIT_MULTITHREADED ^ COINIT_APARTMENTTHREADED);
            ::CoUninitialize();
            ::CoUninitialize();
            after = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // every level given back
            if (SUCCEEDED(after)) ::CoUninitialize();
        }).join();
        EXPECT_EQ(entered, S_OK) << c.name;
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_TRUE(Exists(link)) << c.name;
        EXPECT_EQ(again, S_FALSE) << c.name;
        EXPECT_EQ(other, RPC_E_CHANGED_MODE) << c.name;
        EXPECT_EQ(after, S_OK) << c.name;
    }
}

}  // namespace
}  // namespace karvelin::test
