#include <winsock2.h>
#include <windows.h>

#include <string>

#include "common/wide_text_win32.h"
#include "module/resource_string_win32.h"
#include "module/startup_platform.h"

namespace karvelin::module {
namespace {

class SystemStartupPlatform final : public StartupPlatform {
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
        const std::wstring text = LoadResourceString(LibraryModule(), kSocketFailureMessageId, kMessageLanguage);
        const std::wstring wide_caption = win32::WideFromAnsi(caption);
        ::MessageBoxW(nullptr, text.c_str(), wide_caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
};

SystemStartupPlatform g_startup;

}  // namespace

StartupPlatform& SystemStartup() { return g_startup; }

}  // namespace karvelin::module
