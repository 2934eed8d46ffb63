// The DLL's entry point: runs the library's start-up when it is loaded.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "module/resource_string_win32.h"
#include "module/startup.h"

namespace karvelin::module {
namespace {

HMODULE g_module = nullptr;
LoadedLibrary g_loaded;

class SystemStartup final : public StartupPlatform {
public:
    unsigned GetErrorMode() override {
        // SetErrorMode answers the mode it replaces: read it and put it back.
        const UINT mode = ::SetErrorMode(0);
        ::SetErrorMode(mode);
        return mode;
    }
    void SetErrorMode(unsigned mode) override { ::SetErrorMode(mode); }
    int SocketStartup(std::uint16_t requested, std::uint16_t& granted) override {
        WSADATA data{};
        const int result = ::WSAStartup(requested, &data);
        granted = data.wVersion;
        return result;
    }
    void SocketCleanup() override { ::WSACleanup(); }
    void ShowSocketFailure(const std::string& caption) override {
        const std::wstring text = LoadResourceString(g_module, kSocketFailureMessageId, kMessageLanguage);
        std::wstring wide_caption(caption.size() + 1, L'\0');
        const int length = ::MultiByteToWideChar(CP_ACP, 0, caption.c_str(), -1, &wide_caption[0],
                                                 static_cast<int>(wide_caption.size()));
        wide_caption.resize(length > 0 ? length - 1 : 0);
        ::MessageBoxW(nullptr, text.c_str(), wide_caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
};

std::string ModulePath(HMODULE module) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace
}  // namespace karvelin::module

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    using namespace karvelin::module;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    try {
        g_module = instance;
        SystemStartup platform;
        return StartUp(platform, ModulePath(instance), g_loaded) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}
