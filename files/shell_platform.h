// The shell's special folders, the Windows directory, and the shell's link
// object that writes shortcut files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/system_error.h"

namespace karvelin::files {

// Path buffers are MAX_PATH characters, the terminating NUL included.
inline constexpr std::size_t kPathSize = 260;

// The folders asked for, by their CSIDL numbers.
inline constexpr int kDesktopFolder = 0;   // CSIDL_DESKTOP: the user's desktop
inline constexpr int kProgramsFolder = 2;  // CSIDL_PROGRAMS: the user's Start-menu program groups

// What CreateShortcut answers besides the code of IPersistFile::Save.
inline constexpr std::int32_t kNoShellLink = 1;    // the link object cannot be created
inline constexpr std::int32_t kNoPersistFile = 2;  // the link object gave no IPersistFile
// HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE): a link path that does not
// convert into kPathSize wide characters; nothing is saved.
inline constexpr std::int32_t kLinkPathTooLong = static_cast<std::int32_t>(0x800700CEu);

// A shortcut's texts, as the installer passes them.
struct Shortcut {
    const char* target;
    const char* arguments;
    const char* working_dir;
    const char* link_path;
    const char* description;
};

class ShellPlatform {
public:
    virtual ~ShellPlatform() = default;
    // SHGetSpecialFolderPathA with no owner window and fCreate FALSE: true with
    // the folder's path in `path` (kPathSize bytes); false when it cannot be
    // had, a missing folder among them (it is not created).
    virtual bool SpecialFolderPath(int folder, char* path) = 0;
    // GetWindowsDirectoryA: the path's length when it fits `size` bytes with
    // its NUL; the size it needs when it does not (path's contents then
    // undefined); 0 on failure.
    virtual std::uint32_t WindowsDirectory(char* path, std::uint32_t size) = 0;
    // Writes the shortcut through the shell's link object, in the calling
    // thread's COM apartment (entered and left by the call, a multithreaded
    // one left alone): 0, kNoShellLink, kNoPersistFile, kLinkPathTooLong, or
    // the failure code of IPersistFile::Save. `error` is set to the failed
    // step's own code (the HRESULT of the link object or its interface).
    virtual std::int32_t CreateShortcut(const Shortcut& shortcut, SystemError& error) = 0;
};

// The shell and COM on Windows; on Linux no folder is known and there is no
// link object (CreateShortcut answers kNoShellLink).
ShellPlatform& SystemShell();

}  // namespace karvelin::files
