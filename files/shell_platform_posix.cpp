// Linux has no special folders, Windows directory or shell link object.
#include <cerrno>

#include "files/shell_platform.h"

namespace karvelin::files {
namespace {

class NoShell final : public ShellPlatform {
public:
    bool SpecialFolderPath(int, char*) override { return false; }
    std::uint32_t WindowsDirectory(char*, std::uint32_t) override { return 0; }
    std::int32_t CreateShortcut(const Shortcut&, SystemError& error) override {
        error = ENOSYS;
        return kNoShellLink;
    }
};

NoShell g_shell;

}  // namespace

ShellPlatform& SystemShell() { return g_shell; }

}  // namespace karvelin::files
