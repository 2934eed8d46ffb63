#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "common/win32_owners.h"
#include "files/shell_platform.h"

namespace karvelin::files {
namespace {

static_assert(kPathSize == MAX_PATH && kDesktopFolder == CSIDL_DESKTOP && kProgramsFolder == CSIDL_PROGRAMS);
static_assert(kLinkPathTooLong == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));

class SystemShellLink final : public ShellPlatform {
public:
    bool SpecialFolderPath(int folder, char* path) override {
        return ::SHGetSpecialFolderPathA(nullptr, path, folder, FALSE) != FALSE;
    }

    std::uint32_t WindowsDirectory(char* path, std::uint32_t size) override {
        return ::GetWindowsDirectoryA(path, size);
    }

    std::int32_t CreateShortcut(const Shortcut& shortcut, SystemError& error) override {
        // On a thread of a multithreaded apartment CoInitialize fails
        // (RPC_E_CHANGED_MODE): the work goes on in that apartment, which is
        // left as it was. Owners in reverse order of release: the apartment
        // last, after the link object, after its persistence interface.
        win32::unique_couninitialize_call apartment = win32::CoInitializeCall();
        win32::com_ptr<IShellLinkA> link;
        HRESULT status =
            ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void());
        error = static_cast<SystemError>(status);
        if (FAILED(status)) return kNoShellLink;
        // A setter that refuses leaves that value as the object has it.
        link->SetPath(shortcut.target);
        link->SetArguments(shortcut.arguments);
        link->SetDescription(shortcut.description);
        link->SetWorkingDirectory(shortcut.working_dir);
        win32::com_ptr<IPersistFile> file;
        status = link->QueryInterface(IID_IPersistFile, file.put_void());
        error = static_cast<SystemError>(status);
        if (FAILED(status)) return kNoPersistFile;
        // The whole path, its NUL included, or nothing: a path cut short would
        // save a different file, and one without its NUL would be read past
        // the buffer.
        WCHAR wide_path[kPathSize];
        if (::MultiByteToWideChar(CP_ACP, 0, shortcut.link_path, -1, wide_path, kPathSize) == 0) {
            error = ::GetLastError();
            return kLinkPathTooLong;
        }
        status = file->Save(wide_path, 2);  // fRemember: the object takes the file as its own
        error = static_cast<SystemError>(status);
        return status;
    }
};

SystemShellLink g_shell;

}  // namespace

ShellPlatform& SystemShell() { return g_shell; }

}  // namespace karvelin::files
