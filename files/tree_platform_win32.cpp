// The tree removal's calls on Windows: objects opened relative to their
// directory's handle through ntdll (NtOpenFile with a root directory), listed
// and deleted through their own handles. Names stay in Unicode from the
// listing to the open, so no code-page conversion can turn a name into
// another one, and no path is ever resolved again below the folder that
// holds the tree. The NT calls are looked up at run time: ntdll exports them
// on every release since Windows 2000, but its import library is no part of
// the toolchain's defaults. The clean-up commands (SystemTreeCommands) name the
// folder the walk held as the system names it from its handle.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <memory>
#include <vector>

#include "common/lead_bytes.h"
#include "common/no_throw.h"
#include "common/sized_text.h"
#include "common/wide_text_win32.h"
#include "common/win32_owners.h"
#include "files/tree_platform.h"
#include "files/tree_removal.h"

namespace karvelin::files {
namespace {

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);  // STATUS_NO_MORE_FILES
constexpr FILE_INFORMATION_CLASS kBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);
constexpr FILE_INFORMATION_CLASS kBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(3);
constexpr FILE_INFORMATION_CLASS kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS kDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
// FILE_DISPOSITION_DELETE | FILE_DISPOSITION_IGNORE_READONLY_ATTRIBUTE (Windows 10 1809).
constexpr ULONG kDeleteIgnoringReadOnly = 0x1 | 0x10;
constexpr FILE_INFORMATION_CLASS kStandardInformation = static_cast<FILE_INFORMATION_CLASS>(5);
constexpr FILE_INFORMATION_CLASS kIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);
constexpr ULONG kOpenOptions = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT;
// The attributes a caller may set; 0 in FileBasicInformation leaves them as they are.
constexpr ULONG kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

using NtOpenFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
using NtQueryDirectoryFileCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                  FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
using NtFileInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using NtQueryObjectCall = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

template <typename Call>
Call Lookup(const char* module, const char* name) {
    const HMODULE loaded = ::GetModuleHandleA(module);
    return loaded ? reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(loaded, name))) : nullptr;
}

struct NtCalls {
    NtOpenFileCall open = Lookup<NtOpenFileCall>("ntdll.dll", "NtOpenFile");
    NtQueryDirectoryFileCall list = Lookup<NtQueryDirectoryFileCall>("ntdll.dll", "NtQueryDirectoryFile");
    NtFileInformationCall set = Lookup<NtFileInformationCall>("ntdll.dll", "NtSetInformationFile");
    NtFileInformationCall query = Lookup<NtFileInformationCall>("ntdll.dll", "NtQueryInformationFile");
    // The object's name, for the commands' folder and, under Wine, to
    // check each entry: Wine follows a Unix symbolic link even when asked to
    // open the link itself, lists a link to a file as that file, and deletes
    // what a handle opened; so under Wine each entry's final path (what its
    // handle reaches) is compared with its directory's and the entry's name.
    // GetFinalPathNameByHandle would do, but Wine's fails beyond 260
    // characters, and Windows before Vista has none.
    NtQueryObjectCall object_name = Lookup<NtQueryObjectCall>("ntdll.dll", "NtQueryObject");
    bool wine = Lookup<void*>("ntdll.dll", "wine_get_version") != nullptr;
    bool usable() const { return open && list && set && query; }
};

// Looked up when the library loads (ntdll is in every process before it).
const NtCalls g_nt_calls;

const NtCalls& Nt() { return g_nt_calls; }

// A wide path query of the kind that answers the length written, or the size
// needed (with its NUL) when the buffer is too small; empty when it fails.
template <typename Query>
std::wstring AskForText(Query query) {
    return ReadSizedText<wchar_t>([&](wchar_t* buffer, std::size_t size, std::size_t& needed) {
               const DWORD length = query(buffer, static_cast<DWORD>(size));
               needed = length < size ? length + 1 : length;
               return length != 0;
           })
        .value_or(std::wstring());
}

// The path made full by the system's rules: current folder, ".", "..",
// trailing blanks and dots dropped.
std::wstring FullPath(const std::string& path) {
    const std::wstring wide = win32::WideFromAnsi(path);
    if (wide.empty()) return wide;
    return AskForText(
        [&](wchar_t* buffer, DWORD size) { return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr); });
}

// A full path in the form that reaches any length, taken as it is.
std::wstring Verbatim(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// "C:\\WINDOWS" gives "C:\\WINDOWS" and "C:\\".
std::vector<std::wstring> FolderAndParents(std::wstring folder) {
    std::vector<std::wstring> folders;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    while (!folder.empty()) {
        if (folder.back() == L':') {
            folders.push_back(folder + L'\\');
            break;
        }
        folders.push_back(folder);
        const std::size_t separator = folder.find_last_of(L'\\');
        if (separator == std::wstring::npos) break;
        folder.resize(separator);
    }
    return folders;
}

win32::unique_hfile OpenByPath(const std::wstring& path, DWORD access) {
    return win32::unique_hfile(::CreateFileW(path.c_str(), access,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IdentityOf(HANDLE handle, ObjectIdentity& identity, std::uint32_t& attributes) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information)) return false;
    identity.volume = information.dwVolumeSerialNumber;
    identity.file = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
    attributes = information.dwFileAttributes;
    return true;
}

// The object's name ("\\??\\Z:\\..."); empty when it cannot be had.
std::wstring FinalPathOf(HANDLE handle) {
    if (!Nt().object_name) return std::wstring();
    std::vector<LONGLONG> buffer(1024);
    for (int tries = 0; tries < 4; ++tries) {
        ULONG needed = 0;
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(LONGLONG));
        const NTSTATUS status = Nt().object_name(handle, ObjectNameInformation, buffer.data(), size, &needed);
        if (NT_SUCCESS(status)) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            if (!name->Buffer || name->Length > size - sizeof(UNICODE_STRING)) return std::wstring();
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        if (needed <= size) return std::wstring();
        buffer.resize(needed / sizeof(LONGLONG) + 1);
    }
    return std::wstring();
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                            static_cast<int>(b.size())) == CSTR_EQUAL;
}

EntryKind KindOf(DWORD attributes) {
    return attributes & FILE_ATTRIBUTE_REPARSE_POINT ? EntryKind::Link
           : attributes & FILE_ATTRIBUTE_DIRECTORY   ? EntryKind::Folder
                                                     : EntryKind::File;
}

class SystemNode final : public TreeNode {
public:
    explicit SystemNode(win32::unique_hfile handle) : handle_(std::move(handle)) {
        valid_ = IdentityOf(handle_.get(), identity_, attributes_);
    }
    bool valid() const { return valid_; }
    HANDLE handle() const { return handle_.get(); }

    EntryKind Kind() override { return KindOf(attributes_); }
    ObjectIdentity Identity() override { return identity_; }

    // The names the file has; 0 when the system cannot tell (then it may
    // have others).
    std::uint32_t Links() override {
        FILE_STANDARD_INFORMATION standard{};
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().query(handle_.get(), &io, &standard, sizeof standard, kStandardInformation))
                   ? standard.NumberOfLinks
                   : 0;
    }

    void ForEachEntry(const Visit& visit) override {
        // 64 KiB: many entries per call, and within what a network
        // redirector accepts.
        std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
        FILE_INFORMATION_CLASS kind = kIdBothDirectoryInformation;
        for (BOOLEAN first = TRUE;; first = FALSE) {
            IO_STATUS_BLOCK io{};
            NTSTATUS status = Nt().list(handle_.get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                        static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)), kind, FALSE, nullptr,
                                        first);
            if (first && !NT_SUCCESS(status) && status != kNoMoreFiles) {
                // Before XP, and on some redirectors, listings come without ids.
                kind = kBothDirectoryInformation;
                status = Nt().list(handle_.get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                   static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)), kind, FALSE, nullptr, TRUE);
            }
            if (!NT_SUCCESS(status) || io.Information == 0) return;
            const char* const start = reinterpret_cast<const char*>(buffer.data());
            const std::size_t filled = io.Information;
            const std::size_t names_at = kind == kIdBothDirectoryInformation
                                             ? offsetof(FILE_ID_BOTH_DIR_INFORMATION, FileName)
                                             : offsetof(FILE_BOTH_DIR_INFORMATION, FileName);
            for (std::size_t at = 0;;) {
                // The system writes these records; their sizes are still
                // checked against what it said it wrote.
                if (at + names_at > filled) return;
                // Both kinds of record hold the attributes and the name's
                // length at the same place.
                const auto* record = reinterpret_cast<const FILE_BOTH_DIR_INFORMATION*>(start + at);
                if (at + names_at + record->FileNameLength > filled) return;
                ListedEntry entry;
                entry.name.assign(reinterpret_cast<const wchar_t*>(start + at + names_at),
                                  record->FileNameLength / sizeof(wchar_t));
                entry.kind = KindOf(record->FileAttributes);
                if (kind == kIdBothDirectoryInformation)
                    entry.file = static_cast<std::uint64_t>(
                        reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(record)->FileId.QuadPart);
                visit(entry);
                if (record->NextEntryOffset == 0) break;
                at += record->NextEntryOffset;
            }
        }
    }

    std::unique_ptr<TreeNode> OpenChild(const ListedEntry& entry) override {
        const std::wstring& name = entry.name;
        if (name.size() * sizeof(wchar_t) > 0xFFFE) return nullptr;
        UNICODE_STRING text;
        text.Buffer = const_cast<wchar_t*>(name.c_str());
        text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, handle_.get(), nullptr);
        // Held without delete sharing, nobody else can rename or delete it
        // while the walk holds it. Where that is refused (a program holds it
        // open without delete sharing, a file may not be read), fewer rights
        // still let the walk list it or tell what it is; reading attributes
        // alone no sharing refuses, so a file in use is identified.
        const struct {
            ACCESS_MASK access;
            ULONG sharing;
        } tries[] = {
            {DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
             FILE_SHARE_READ | FILE_SHARE_WRITE},
            {DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE},
            {FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
            {FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
        };
        for (const auto& attempt : tries) {
            IO_STATUS_BLOCK io{};
            win32::unique_hfile child;
            HANDLE opened = nullptr;
            if (!NT_SUCCESS(Nt().open(&opened, attempt.access, &attributes, &io, attempt.sharing, kOpenOptions)))
                continue;
            child.reset(opened);
            auto node = std::make_unique<SystemNode>(std::move(child));
            // The walk never crosses into another file system. Windows shows
            // a mounted volume as a reparse point, opened here as itself;
            // Wine opens a Unix mount as the mounted root, whose volume
            // serial number is another one.
            if (!node->valid() || node->identity_.volume != identity_.volume || !ReachedByName(*node, name))
                return nullptr;
            return node;
        }
        return nullptr;
    }

    bool DeleteEntry(const std::wstring&, TreeNode& entry) override {
        return static_cast<SystemNode&>(entry).Delete();
    }

    // Windows holds every level open: the walk never comes back up.
    std::unique_ptr<TreeNode> OpenContainer() override { return nullptr; }

private:
    // Attributes belong to the file, not to one of its names. A file with
    // other names (or whose names cannot be counted) is never reset: it is
    // deleted with the disposition flag that ignores read-only where the
    // system has it (Windows 10), and elsewhere only when it is not
    // read-only; so an outside file's attributes never change, not even for
    // a moment. A folder, a link and a file with one name are reset to
    // normal, and get their attributes back when the delete is refused.
    bool Delete() {
        if (Kind() == EntryKind::File && Links() != 1) {
            FILE_DISPOSITION_INFORMATION_EX_ disposition{kDeleteIgnoringReadOnly};
            IO_STATUS_BLOCK io{};
            if (NT_SUCCESS(Nt().set(handle_.get(), &io, &disposition, sizeof disposition, kDispositionInformationEx)))
                return true;
            return !(attributes_ & FILE_ATTRIBUTE_READONLY) && SetDisposition();
        }
        const ULONG original = attributes_ & kSettableAttributes;
        const bool reset = original != 0 && SetAttributes(FILE_ATTRIBUTE_NORMAL);
        if (SetDisposition()) return true;
        if (reset) SetAttributes(original);
        return false;
    }

    struct FILE_DISPOSITION_INFORMATION_EX_ {
        ULONG Flags;
    };

    bool SetAttributes(ULONG attributes) {
        FILE_BASIC_INFORMATION basic{};  // times 0: unchanged
        basic.FileAttributes = attributes;
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().set(handle_.get(), &io, &basic, sizeof basic, kBasicInformation));
    }

    bool SetDisposition() {
        FILE_DISPOSITION_INFORMATION disposition{};
        disposition.DoDeleteFile = TRUE;
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().set(handle_.get(), &io, &disposition, sizeof disposition, kDispositionInformation));
    }

    // Under Wine: the child's final path is this directory's and the name.
    // A link anywhere gives another final path (its target's), and so does a
    // folder above swapped for a link after this one was opened. The last
    // name is compared without case: Wine finds a name that way too.
    bool ReachedByName(SystemNode& child, const std::wstring& name) {
        if (!Nt().wine) return true;
        if (final_path_.empty()) final_path_ = FinalPathOf(handle_.get());
        const std::wstring own = FinalPathOf(child.handle_.get());
        if (final_path_.empty() || own.empty()) return false;
        const std::wstring folder = final_path_.back() == L'\\' ? final_path_ : final_path_ + L'\\';
        if (own.size() != folder.size() + name.size() || own.compare(0, folder.size(), folder) != 0 ||
            !SameIgnoringCase(own.substr(folder.size()), name))
            return false;
        // Kept for its own entries: under Wine each query costs more the
        // deeper the object lies.
        child.final_path_ = own;
        return true;
    }

    win32::unique_hfile handle_;
    bool valid_ = false;
    ObjectIdentity identity_;
    std::uint32_t attributes_ = 0;
    std::wstring final_path_;  // Wine only
};

std::unique_ptr<SystemNode> NodeAt(const std::wstring& path, DWORD access) {
    win32::unique_hfile handle = OpenByPath(path, access);
    if (!handle) return nullptr;
    auto node = std::make_unique<SystemNode>(std::move(handle));
    return node->valid() ? std::move(node) : nullptr;
}

// The user's profile folder, asked of the system (the profile list the
// logon keeps), never of the environment; empty when it cannot be had.
std::wstring ProfileFolder() {
    using GetProfileCall = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    using unique_library = unique_any<handle_traits<HMODULE, &::FreeLibrary, 0>>;
    const unique_library userenv(::LoadLibraryW(L"userenv.dll"));
    const auto get_profile =
        userenv ? reinterpret_cast<GetProfileCall>(
                      reinterpret_cast<void*>(::GetProcAddress(userenv.get(), "GetUserProfileDirectoryW")))
                : nullptr;
    HANDLE opened = nullptr;
    if (!get_profile || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return std::wstring();
    const win32::unique_handle token(opened);
    return AskForText([&](wchar_t* buffer, DWORD size) -> DWORD {
        DWORD length = size;
        if (get_profile(token.get(), buffer, &length)) return static_cast<DWORD>(std::wcslen(buffer));
        return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? length : 0;
    });
}

// Under Wine, the Unix home folder and each folder above it, as Windows
// paths ("\\?\unix\home\me", ..., "\\?\unix\"): Wine hands the home to
// Windows programs in WINEHOMEDIR ("\??\unix/home/me").
std::vector<std::wstring> UnixHomeAndParents() {
    const std::wstring given =
        AskForText([](wchar_t* buffer, DWORD size) { return ::GetEnvironmentVariableW(L"WINEHOMEDIR", buffer, size); });
    const std::wstring prefix = L"\\??\\";
    if (given.rfind(prefix, 0) != 0) return {};
    std::wstring path = L"\\\\?\\" + given.substr(prefix.size());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    std::vector<std::wstring> folders;
    const std::size_t root = path.find(L'\\', 4);  // after "\\?\unix"
    if (root == std::wstring::npos) return {};
    for (;;) {
        while (path.size() > root + 1 && path.back() == L'\\') path.pop_back();
        folders.push_back(path);
        if (path.size() == root + 1) break;
        const std::size_t separator = path.find_last_of(L'\\');
        path.resize(separator == root ? root + 1 : separator);
    }
    return folders;
}

class SystemTrees final : public TreePlatform {
public:
    // The path is made full here, once, by the system's rules; the folder
    // that holds the tree is opened and what is protected told from that
    // same full path.
    TreeTarget Resolve(const std::string& path) override {
        if (!Nt().usable()) return {};
        const std::string folder = WindowsFolderPath(path, SystemLeadBytes());
        if (folder.empty()) return {};
        const std::wstring full = FullPath(folder);
        if (full.empty()) return {};
        const std::wstring verbatim = Verbatim(full);
        const std::size_t separator = verbatim.find_last_of(L'\\');
        if (separator == std::wstring::npos || separator + 1 == verbatim.size()) return {};
        TreeTarget target;
        target.name = verbatim.substr(separator + 1);
        std::wstring parent = verbatim.substr(0, separator);
        if (parent.back() == L':' || parent.back() == L'?') parent += L'\\';  // a drive's root
        target.parent = NodeAt(parent, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
        if (target.parent) target.kept = ProtectedObjects(full);
        return target;
    }

    bool IsOwnName(const std::wstring& name) override { return IsOwnWindowsName(name); }

    // Handles are no scarce resource on Windows: every level stays open.
    std::size_t LevelsHeldOpen() override { return SIZE_MAX; }

private:
    // The root of the volume or share `full` lies on; the Windows directory
    // (the system's own, also under a terminal server, where
    // GetWindowsDirectory may name a folder of the user), the user's profile
    // folder, and under Wine the Unix home folder, each with every folder
    // above it. One that cannot be told: nothing is removed.
    static std::vector<ObjectIdentity> ProtectedObjects(const std::wstring& full) {
        std::vector<wchar_t> root(full.size() + 2);
        if (!::GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
        std::vector<std::wstring> paths = FolderAndParents(
            AskForText([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); }));
        const std::vector<std::wstring> profile = FolderAndParents(ProfileFolder());
        if (paths.empty() || profile.empty()) return {};
        paths.insert(paths.end(), profile.begin(), profile.end());
        if (Nt().wine && ::GetEnvironmentVariableW(L"WINEHOMEDIR", nullptr, 0) != 0) {
            const std::vector<std::wstring> home = UnixHomeAndParents();
            if (home.empty()) return {};
            paths.insert(paths.end(), home.begin(), home.end());
        }
        paths.push_back(root.data());
        std::vector<ObjectIdentity> kept;
        for (const std::wstring& kept_path : paths) {
            const auto node = kept_path.empty() ? nullptr : NodeAt(kept_path, FILE_READ_ATTRIBUTES);
            if (!node) return {};
            kept.push_back(node->Identity());
        }
        return kept;
    }
};

// "\Device\HarddiskVolume1\x" as "C:\x": the drive letter whose device is
// the name's start; a share's as "\\server\share\x". Empty for a name no
// drive letter reaches.
std::wstring DosPathOf(const std::wstring& object_name) {
    const std::wstring wine_prefix = L"\\??\\";
    if (object_name.rfind(wine_prefix, 0) == 0) {
        const std::wstring path = object_name.substr(wine_prefix.size());
        return path.size() > 2 && path[1] == L':' && path[2] == L'\\' ? path : std::wstring();
    }
    const std::wstring shares = L"\\Device\\Mup\\";  // "\\server\\share\\..."
    if (object_name.rfind(shares, 0) == 0) return L"\\\\" + object_name.substr(shares.size());
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        const wchar_t drive[] = {letter, L':', L'\0'};
        wchar_t device[MAX_PATH] = {};
        if (!::QueryDosDeviceW(drive, device, MAX_PATH)) continue;
        const std::wstring name = device;
        if (!name.empty() && object_name.size() > name.size() && object_name.rfind(name, 0) == 0 &&
            object_name[name.size()] == L'\\')
            return drive + object_name.substr(name.size());
    }
    return std::wstring();
}

class SystemCommands final : public TreeCommands {
public:
    std::string FolderName(TreeNode& folder) override {
        const std::wstring wide = DosPathOf(FinalPathOf(static_cast<SystemNode&>(folder).handle()));
        if (wide.empty() || wide.size() > INT_MAX / 4) return std::string();
        // Only a name the code page holds exactly: a best fit could name
        // another folder.
        BOOL lossy = FALSE;
        const int size = static_cast<int>(wide.size());
        const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                                 nullptr, &lossy);
        if (length <= 0 || lossy) return std::string();
        std::string name(static_cast<std::size_t>(length), '\0');
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, &name[0], length, nullptr, &lossy);
        return lossy ? std::string() : name;
    }

    // A console program started from a console program writes to its
    // standard handles, which are the caller's (the karvelin program's JSON
    // output): each command gets a console of its own, without a window.
    void Start(const std::string& command_line) override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION started{};
        std::string line = command_line;
        if (::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                             &started)) {
            ::CloseHandle(started.hThread);
            ::CloseHandle(started.hProcess);
        }
    }

    const LeadBytes& Lead() override { return SystemLeadBytes(); }
};

SystemTrees g_tree;
SystemCommands g_commands;

}  // namespace

TreePlatform& SystemTree() { return g_tree; }
TreeCommands& SystemTreeCommands() { return g_commands; }

}  // namespace karvelin::files
