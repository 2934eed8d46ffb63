// Windows copies with CopyFileA, between names made full in the ready step.
// Source and destination are first opened for their attributes alone, which
// no sharing refuses, to learn whether they are one object; the destination's
// attributes are reset through that handle, so that they are those of the
// object found (NtSetInformationFile, from common/nt_calls_win32.h).
#include <windows.h>
#include <winternl.h>

#include <memory>
#include <string>

#include "common/log.h"
#include "common/log_tell.h"
#include "common/nt_calls_win32.h"
#include "common/sized_text.h"
#include "common/system_error.h"
#include "common/win32_owners.h"
#include "files/copy_platform.h"

namespace karvelin::files {
namespace {

using win32::kBasicInformation;

// The name made full by the system's rules, against the current folder (and
// the current folder of another drive) as it is now; the name as given when
// it cannot be made full (an empty one).
std::string FullPath(const std::string& name) {
    if (name.empty()) return name;
    return ReadAnsweredText([&](char* buffer, DWORD size) {
               return ::GetFullPathNameA(name.c_str(), size, buffer, nullptr);
           })
        .value_or(name);
}

// Opened for its attributes, following links: a folder too, and a file
// another process holds without sharing.
win32::unique_hfile OpenForAttributes(const std::string& path, DWORD access) {
    return win32::unique_hfile(::CreateFileA(path.c_str(), access,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

FoundFile Identify(const win32::unique_hfile& handle) {
    FoundFile found;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!handle || !::GetFileInformationByHandle(handle.get(), &information)) return found;
    found.found = true;
    found.regular = !(information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    found.volume = information.dwVolumeSerialNumber;
    found.file = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    return found;
}

constexpr char kFunction[] = "CopyTheFile";
constexpr char kSource[] = "source", kDestination[] = "destination";

std::string Side(const char* side, const std::string& name) { return std::string(side) + " \"" + name + "\""; }

bool Refused(const char* side, const std::string& name, const char* why) {
    log::Tell([&] { log::Failure(kFunction, Side(side, name) + " refused: " + why); });
    return false;
}

class SystemCopyFiles final : public CopyFiles {
public:
    SystemCopyFiles(std::string source, std::string destination)
        : source_name_(std::move(source)), destination_name_(std::move(destination)) {}

    FoundFile Source() override {
        source_ = OpenForAttributes(source_name_, FILE_READ_ATTRIBUTES);
        if (!source_) {
            log::Tell([&] {
                log::Failure(kFunction, Side(kSource, source_name_) + ": open failed: " + ErrorText(::GetLastError()));
            });
        }
        return source_found_ = Identify(source_);
    }
    FoundFile Destination() override {
        destination_ = OpenForAttributes(destination_name_, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
        writable_ = static_cast<bool>(destination_);
        if (!destination_) destination_ = OpenForAttributes(destination_name_, FILE_READ_ATTRIBUTES);
        return destination_found_ = Identify(destination_);
    }

    // A destination that cannot be opened to write its attributes could not
    // have them set by name either.
    void MakeOverwritable() override {
        if (!writable_) return;
        const auto set = win32::Nt().set;
        if (!set) {
            ::SetFileAttributesA(destination_name_.c_str(), FILE_ATTRIBUTE_NORMAL);
            return;
        }
        FILE_BASIC_INFORMATION basic{};  // times 0: unchanged
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        IO_STATUS_BLOCK io{};
        set(destination_.get(), &io, &basic, sizeof basic, kBasicInformation);
    }

    // By name, as nothing but a name can be given to CopyFileA: the handles
    // go first, so that no sharing of theirs can stand in its way. Each name
    // that reached an object is opened again just before, and refused where
    // it reaches another; what a name reaches between that look and
    // CopyFileA's own opening is not checked. A destination that nothing
    // could be opened through is first made in its very name, no link
    // followed; where the name is taken all the same, it is a link to nothing
    // (a dangling Unix link under Wine, a symbolic link on NTFS), and
    // CopyFileA would create the file where it leads, outside the folder
    // named: refused. A file made so goes again if the copy fails (without a
    // source, CopyFileA fails before it makes anything).
    bool Copy() override {
        const bool source_found = static_cast<bool>(source_), found = static_cast<bool>(destination_);
        source_.reset();
        destination_.reset();
        constexpr char kReplaced[] = "replaced since it was looked at";
        if (!StillReaches(source_name_, source_found_)) return Refused(kSource, source_name_, kReplaced);
        if (!StillReaches(destination_name_, destination_found_))
            return Refused(kDestination, destination_name_, kReplaced);
        bool created = false;
        if (source_found && !found) {
            const win32::unique_hfile made(::CreateFileA(destination_name_.c_str(), GENERIC_WRITE, 0, nullptr,
                                                         CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            const DWORD error = ::GetLastError();
            created = static_cast<bool>(made);
            if (!made && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS))
                return Refused(kDestination, destination_name_, "a link to nothing, not written through");
        }
        if (::CopyFileA(source_name_.c_str(), destination_name_.c_str(), FALSE)) {
            log::Tell([&] { log::Step(kFunction, "copied " + Side(kSource, source_name_) + " to " +
                                         Side(kDestination, destination_name_)); });
            return true;
        }
        const DWORD error = ::GetLastError();
        if (created) ::DeleteFileA(destination_name_.c_str());
        log::Tell([&] { log::Failure(kFunction, "CopyFileA from " + Side(kSource, source_name_) + " to " +
                                        Side(kDestination, destination_name_) + " failed: " + ErrorText(error)); });
        return false;
    }

private:
    // Whether `name` still reaches the object `found` there, when one was
    // (the handle opened for it is closed again at once).
    static bool StillReaches(const std::string& name, const FoundFile& found) {
        return !found.found || SameObject(Identify(OpenForAttributes(name, FILE_READ_ATTRIBUTES)), found);
    }

    std::string source_name_, destination_name_;
    win32::unique_hfile source_, destination_;
    FoundFile source_found_, destination_found_;
    bool writable_ = false;
};

class SystemCopies final : public CopyPlatform {
public:
    std::unique_ptr<CopyFiles> Prepare(const std::string& source, const std::string& destination) override {
        return std::make_unique<SystemCopyFiles>(FullPath(source), FullPath(destination));
    }
};

SystemCopies g_copy;

}  // namespace

CopyPlatform& SystemCopy() { return g_copy; }

}  // namespace karvelin::files
