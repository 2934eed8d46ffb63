// The desktop, program-groups and Windows folders, and shortcut files.
#pragma once

#include <cstdint>

#include "files/shell_platform.h"

namespace karvelin::files {

// The folder's path in a buffer of the calling thread (valid until the same
// thread asks the same query again, or ends); "" when the folder cannot be
// had, never a cut path and never null.
const char* GetWinDeskTopDir(ShellPlatform& shell) noexcept;
const char* GetWinProgramDir(ShellPlatform& shell) noexcept;
const char* GetWindowsDir(ShellPlatform& shell) noexcept;

// Writes a shortcut file: see ShellPlatform::CreateShortcut.
std::int32_t CreateShortcut(const Shortcut& shortcut, ShellPlatform& shell);

}  // namespace karvelin::files
