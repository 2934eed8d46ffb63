#include "files/special_folders.h"

#include <cstring>
#include <string>

#include "common/log_tell.h"
#include "common/thread_text_platform.h"

namespace karvelin::files {
namespace {

static_assert(ThreadTextSize(ThreadTextSlot::DesktopDir) == kPathSize &&
              ThreadTextSize(ThreadTextSlot::ProgramDir) == kPathSize &&
              ThreadTextSize(ThreadTextSlot::WindowsDir) == kPathSize);

// A path without its NUL inside the buffer is no path.
bool Terminated(const char* path) { return std::memchr(path, '\0', kPathSize) != nullptr; }

// The answer, told: "ask <step>: <path>", or why there is none. The shell's
// folder query gives no error number.
const char* Told(const char* function, const char* step, char* path, const char* refused) {
    if (refused) path[0] = '\0';
    log::Tell([&] {
        if (refused) log::Failure(function, std::string(step) + ": " + refused);
        else log::Step(function, std::string(step) + ": " + path);
    });
    return path;
}

const char* SpecialFolder(const char* function, int folder, ThreadTextSlot slot, ShellPlatform& shell) {
    char* path = ThreadText(slot);
    const char* refused = !shell.SpecialFolderPath(folder, path) ? "not available"
                          : !Terminated(path)                   ? "no end within 260 bytes"
                                                                : nullptr;
    return Told(function, folder == kDesktopFolder ? "ask shell: desktop" : "ask shell: program groups", path,
                refused);
}

}  // namespace

const char* GetWinDeskTopDir(ShellPlatform& shell) noexcept {
    return SpecialFolder("GetWinDeskTopDir", kDesktopFolder, ThreadTextSlot::DesktopDir, shell);
}

const char* GetWinProgramDir(ShellPlatform& shell) noexcept {
    return SpecialFolder("GetWinProgramDir", kProgramsFolder, ThreadTextSlot::ProgramDir, shell);
}

const char* GetWindowsDir(ShellPlatform& shell) noexcept {
    char* path = ThreadText(ThreadTextSlot::WindowsDir);
    // A path that does not fit is answered with the size it needs, which is
    // not zero: that is no path either.
    const std::uint32_t length = shell.WindowsDirectory(path, kPathSize);
    const char* refused = length == 0           ? "not available"
                          : length >= kPathSize ? "longer than 259 characters"
                          : !Terminated(path)   ? "no end within 260 bytes"
                                                : nullptr;
    return Told("GetWindowsDir", "ask system: Windows directory", path, refused);
}

std::int32_t CreateShortcut(const Shortcut& shortcut, ShellPlatform& shell) {
    constexpr char kFunction[] = "CreateShortcut";
    SystemError error = 0;
    const std::int32_t answer = shell.CreateShortcut(shortcut, error);
    log::Tell([&] {
        const std::string link = shortcut.link_path;
        switch (answer) {
            case 0: log::Step(kFunction, "save: " + link + ": saved, target " + shortcut.target); break;
            case kNoShellLink: log::Failure(kFunction, "create link object: " + ErrorText(error)); break;
            case kNoPersistFile: log::Failure(kFunction, "ask link object for its file: " + ErrorText(error)); break;
            case kLinkPathTooLong:
                log::Failure(kFunction, "convert link path: " + link + ": " + ErrorText(error));
                break;
            default: log::Failure(kFunction, "save: " + link + ": " + ErrorText(static_cast<SystemError>(answer)));
        }
    });
    return answer;
}

}  // namespace karvelin::files
