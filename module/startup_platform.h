// What start-up needs from the system. Only the DLL starts up: the seam has
// no Linux side.
#pragma once

#include <cstdint>
#include <string>

namespace karvelin::module {

// The operations start-up needs from the system.
class StartupPlatform {
public:
    virtual ~StartupPlatform() = default;
    virtual unsigned GetErrorMode() = 0;
    virtual void SetErrorMode(unsigned mode) = 0;
    // WSAStartup: answers its result code and the version granted.
    virtual int SocketStartup(std::uint16_t requested, std::uint16_t& granted) = 0;
    virtual void SocketCleanup() = 0;
    // The one message box at load: string 101 of the library, OK button,
    // exclamation icon, the given caption, no owner. Returns when closed.
    virtual void ShowSocketFailure(const std::string& caption) = 0;
};

// The system's operations (Windows only).
StartupPlatform& SystemStartup();

}  // namespace karvelin::module
