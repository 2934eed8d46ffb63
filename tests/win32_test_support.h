// Helpers for the tests that run on the real Windows platform (under Wine).
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "common/win32_owners.h"

// Owners of what only the tests take: the texts the library hands them
// (LocalAlloc), the libraries they load.
namespace karvelin::win32 {
using unique_hlocal = unique_any<handle_traits<HLOCAL, &::LocalFree, 0>>;
using unique_hmodule = unique_any<handle_traits<HMODULE, &::FreeLibrary, 0>>;
}  // namespace karvelin::win32

namespace karvelin::test {

inline constexpr char kProbeChecksArg[] = "--probe-checks";
inline constexpr char kUnloadSoakArg[] = "--unload-soak";
inline constexpr char kCallSoakArg[] = "--call-soak";

// The child side of the unload soak: loads the DLL, calls every export once
// and unloads it, `cycles` times; prints the handle count and the heap in use
// after a warm-up and at the end.
int UnloadSoakMain(int cycles);

// The child side of the call soak: calls every export `calls` times with a
// representative argument and `calls` times on its error path, and prints the
// figures before and after for each.
int CallSoakMain(int calls, bool every_call = false);

// Handles, counted one by one (Wine's GetProcessHandleCount answers 0), and
// the bytes in use in all of the process's heaps.
unsigned CountHandles();
unsigned HeapInUse();

// The child side of RunProbeChecks: loads the DLL, prints
// "<CheckOS> <FindServerVersion> <CheckIeVersion>" and exits.
int ProbeChecksMain();

// Starts this test program again with the given arguments and answers what
// it printed ("exit N: ..." when it did not end with 0).
std::string RunSelf(const std::string& arguments);
// Runs a command line with the given primary token (null: this process's) and
// answers what it printed, as RunSelf does.
std::string RunCommand(std::string command_line, HANDLE token = nullptr);
inline std::string RunProbeChecks() { return RunSelf(kProbeChecksArg); }

// The path of a file beside this test program, by its path from the program's folder.
std::string BesideSelf(const std::string& name);

// Karvelin.dll from beside the test program, through LoadLibrary, as a native
// caller loads it.
win32::unique_hmodule LoadKarvelin();

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}
// An export that must be there: a missing one throws, and the test fails
// there rather than calling through a null function.
template <typename Function>
Function Exported(HMODULE module, const char* name) {
    if (const auto function = Export<Function>(module, name)) return function;
    throw std::runtime_error(std::string("no export ") + name);
}

// Karvelin.dll loaded for a test (or a throw), and its exports by name.
class LoadedKarvelin {
public:
    LoadedKarvelin();
    HMODULE get() const { return dll_.get(); }
    template <typename Function>
    Function Get(const char* name) const {
        return Exported<Function>(dll_.get(), name);
    }

private:
    win32::unique_hmodule dll_;
};

// Registry values under HKEY_LOCAL_MACHINE, for arranging a case.
void SetRegistryValue(const char* key_path, const char* name, DWORD type, const void* data, DWORD size);
void SetRegistryString(const char* key_path, const char* name, const std::string& text);
void DeleteRegistryValue(const char* key_path, const char* name);
void DeleteRegistryTree(const char* key_path);

// Waits (at most 30 s) until no command DelFilesAndDir starts is running:
// one still running from an earlier call holds folders open, and a tree made
// again under the same name cannot then be removed whole.
void WaitForRemovalCommands();

// Makes a folder of a test's own under the temporary folder
// ("karvelin-<what>-<process>-<tick>") and answers its path; empty when it
// cannot be made.
std::string NewTempFolder(const std::string& what);

// An argument of a sample call of the function table with the caller's folder
// put in for "<temp>" ("<temp>/NAME": NAME in the folder).
inline std::string SampleArgument(const std::string& text, const std::string& folder) {
    static constexpr char kTemp[] = "<temp>";
    if (text.rfind(kTemp, 0) != 0) return text;
    std::string rest = text.substr(sizeof kTemp - 1);
    if (!rest.empty() && rest[0] == '/') rest[0] = '\\';
    return folder + rest;
}

// Removes a folder and everything in it, attributes reset, never following a
// link: the tests' own clean-up, independent of the functions under test.
void RemoveAll(const std::string& path);

}  // namespace karvelin::test
