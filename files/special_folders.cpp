#include "files/special_folders.h"

#include <cstring>

#include "common/thread_text.h"

namespace karvelin::files {
namespace {

static_assert(ThreadTextSize(ThreadTextSlot::DesktopDir) == kPathSize &&
              ThreadTextSize(ThreadTextSlot::ProgramDir) == kPathSize &&
              ThreadTextSize(ThreadTextSlot::WindowsDir) == kPathSize);

// A path without its NUL inside the buffer is no path.
bool Terminated(const char* path) { return std::memchr(path, '\0', kPathSize) != nullptr; }

const char* SpecialFolder(int folder, ThreadTextSlot slot, ShellPlatform& shell) {
    char* path = ThreadText(slot);
    if (!shell.SpecialFolderPath(folder, path) || !Terminated(path)) path[0] = '\0';
    return path;
}

}  // namespace

const char* GetWinDeskTopDir(ShellPlatform& shell) noexcept {
    return SpecialFolder(kDesktopFolder, ThreadTextSlot::DesktopDir, shell);
}

const char* GetWinProgramDir(ShellPlatform& shell) noexcept {
    return SpecialFolder(kProgramsFolder, ThreadTextSlot::ProgramDir, shell);
}

const char* GetWindowsDir(ShellPlatform& shell) noexcept {
    char* path = ThreadText(ThreadTextSlot::WindowsDir);
    // A path that does not fit is answered with the size it needs, which is
    // not zero: that is no path either.
    const std::uint32_t length = shell.WindowsDirectory(path, kPathSize);
    if (length == 0 || length >= kPathSize || !Terminated(path)) path[0] = '\0';
    return path;
}

std::int32_t CreateShortcut(const Shortcut& shortcut, ShellPlatform& shell) { return shell.CreateShortcut(shortcut); }

}  // namespace karvelin::files
