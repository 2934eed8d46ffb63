#include "win32_test_support.h"

#include <cstdio>
#include <stdexcept>

#include "Karvelin.h"

#include <tlhelp32.h>  // after windows.h

namespace karvelin::test {

using win32::unique_handle;
using win32::unique_hkey;

int ProbeChecksMain() {
    win32::unique_hmodule dll = LoadKarvelin();
    if (!dll) return 3;
    auto check_os = Export<ResultCode (*)()>(dll.get(), "CheckOS");
    auto server = Export<int32_t (*)()>(dll.get(), "FindServerVersion");
    auto browser = Export<ResultCode (*)()>(dll.get(), "CheckIeVersion");
    if (!check_os || !server || !browser) return 4;
    std::printf("%u %d %u", static_cast<unsigned>(check_os()), static_cast<int>(server()),
                static_cast<unsigned>(browser()));
    std::fflush(stdout);
    return 0;
}

static std::string SelfPath() {
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path - 1);
    return path;
}

std::string BesideSelf(const std::string& name) {
    const std::string self = SelfPath();
    return self.substr(0, self.find_last_of("\\/") + 1) + name;
}

std::string RunSelf(const std::string& arguments) { return RunCommand("\"" + SelfPath() + "\" " + arguments); }

std::string RunCommand(std::string command, HANDLE token) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    unique_handle read_end, write_end;
    if (!::CreatePipe(read_end.put(), write_end.put(), &inherit, 0)) throw std::runtime_error("CreatePipe");
    ::SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    const BOOL started =
        token ? ::CreateProcessAsUserA(token, nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                       &startup, &info)
              : ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    if (!started) throw std::runtime_error("CreateProcess: error " + std::to_string(::GetLastError()));
    unique_handle process(info.hProcess), thread(info.hThread);
    write_end.reset();  // so the read ends when the child does

    std::string output;
    char chunk[256];
    DWORD got = 0;
    while (::ReadFile(read_end.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD exit_code = 1;
    ::GetExitCodeProcess(process.get(), &exit_code);
    if (exit_code != 0) return "exit " + std::to_string(exit_code) + ": " + output;
    return output;
}

win32::unique_hmodule LoadKarvelin() {
    return win32::unique_hmodule(::LoadLibraryA(BesideSelf("Karvelin.dll").c_str()));
}

LoadedKarvelin::LoadedKarvelin() : dll_(LoadKarvelin()) {
    if (!dll_) throw std::runtime_error("Karvelin.dll not loaded: error " + std::to_string(::GetLastError()));
}

void SetRegistryValue(const char* key_path, const char* name, DWORD type, const void* data, DWORD size) {
    unique_hkey key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                          nullptr) != ERROR_SUCCESS ||
        ::RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw std::runtime_error(std::string("cannot set registry value ") + name);
}

void SetRegistryString(const char* key_path, const char* name, const std::string& text) {
    SetRegistryValue(key_path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void DeleteRegistryValue(const char* key_path, const char* name) {
    unique_hkey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        ::RegDeleteValueA(key.get(), name);
}

void DeleteRegistryTree(const char* key_path) {
    // Keys the tests make have values only, no subkeys.
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key_path);
}

void WaitForRemovalCommands() {
    for (int waited = 0; waited < 300; ++waited) {
        const win32::unique_hfile processes(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32 process{};
        process.dwSize = sizeof process;
        bool running = false;
        for (BOOL more = ::Process32First(processes.get(), &process); more && !running;
             more = ::Process32Next(processes.get(), &process))
            running = _stricmp(process.szExeFile, "attrib.exe") == 0 || _stricmp(process.szExeFile, "rmdir.exe") == 0;
        if (!running) return;
        ::Sleep(100);
    }
}

std::string NewTempFolder(const std::string& what) {
    char temp[MAX_PATH] = {};
    if (::GetTempPathA(sizeof temp, temp) == 0) return std::string();
    const std::string folder = std::string(temp) + "karvelin-" + what + "-" + std::to_string(::GetCurrentProcessId()) +
                               "-" + std::to_string(::GetTickCount());
    return ::CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

void RemoveAll(const std::string& path) {
    WIN32_FIND_DATAA found{};
    const win32::unique_hfind listing(::FindFirstFileA((path + "\\*").c_str(), &found));
    if (listing) {
        do {
            const std::string name = found.cFileName, entry = path + "\\" + name;
            if (name == "." || name == "..") continue;
            ::SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & 0x400))
                RemoveAll(entry);
            else
                ::DeleteFileA(entry.c_str());
        } while (::FindNextFileA(listing.get(), &found));
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(path.c_str());
}

}  // namespace karvelin::test
