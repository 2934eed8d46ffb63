// The tree removal's calls on Windows: objects opened relative to their
// directory's handle through ntdll (NtOpenFile with a root directory), listed
// and deleted through their own handles. Names stay in Unicode from the
// listing to the open, so no code-page conversion can turn a name into
// another one, and no path is ever resolved again below the folder that
// holds the tree (the NT calls: common/nt_calls_win32.h). The clean-up
// commands (SystemTreeCommands) name the folder the walk held as the system
// names it from its handle.
#include <climits>
#include <memory>
#include <vector>

#include "common/lead_bytes_platform.h"
#include "common/no_throw.h"
#include "common/sized_text.h"
#include "common/wide_text_win32.h"
#include "common/win32_owners.h"
#include "common/system_error.h"
#include "files/hidden_start_win32.h"
#include "files/tree_platform.h"
#include "files/tree_removal.h"
#include "files/tree_platform_win32.h"

namespace karvelin::files {
namespace {

using namespace tree_system;

using win32::kBasicInformation;
constexpr FILE_INFORMATION_CLASS kDispositionInformation = static_cast<FILE_INFORMATION_CLASS>(13);
constexpr FILE_INFORMATION_CLASS kDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
// FILE_DISPOSITION_DELETE | FILE_DISPOSITION_IGNORE_READONLY_ATTRIBUTE (Windows 10 1809).
constexpr ULONG kDeleteIgnoringReadOnly = 0x1 | 0x10;
constexpr FILE_INFORMATION_CLASS kStandardInformation = static_cast<FILE_INFORMATION_CLASS>(5);
constexpr ULONG kOpenOptions = FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT;
// The attributes a caller may set; 0 in FileBasicInformation leaves them as they are.
constexpr ULONG kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The path made full by the system's rules: current folder, ".", "..",
// trailing blanks and dots dropped.
std::wstring FullPath(const std::string& path) {
    const std::wstring wide = win32::WideFromAnsi(path);
    if (wide.empty()) return wide;
    return ReadAnsweredText<wchar_t>(
               [&](wchar_t* buffer, DWORD size) { return ::GetFullPathNameW(wide.c_str(), size, buffer, nullptr); })
        .value_or(std::wstring());
}

// A full path in the form that reaches any length, taken as it is.
std::wstring Verbatim(const std::wstring& full) {
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// A status; a failure is also made the thread's last error, which the log
// tells.
bool Succeeded(NTSTATUS status) {
    if (NT_SUCCESS(status)) return true;
    if (Nt().to_error) ::SetLastError(Nt().to_error(status));
    return false;
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

    void ForEachEntry(const Visit& visit) override { ListEntries(handle_.get(), visit); }

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
            if (!Succeeded(Nt().open(&opened, attempt.access, &attributes, &io, attempt.sharing, kOpenOptions)))
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
        return Succeeded(Nt().set(handle_.get(), &io, &disposition, sizeof disposition, kDispositionInformation));
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
    // What KeptPathsFor names; one of its `told` that cannot be told:
    // nothing is removed.
    static std::vector<ObjectIdentity> ProtectedObjects(const std::wstring& full) {
        const KeptPaths paths = KeptPathsFor(full);
        if (paths.told.empty()) return {};
        std::vector<ObjectIdentity> kept;
        for (const auto* list : {&paths.told, &paths.reachable}) {
            for (const std::wstring& kept_path : *list) {
                const auto node = kept_path.empty() ? nullptr : NodeAt(kept_path, FILE_READ_ATTRIBUTES);
                if (node)
                    kept.push_back(node->Identity());
                else if (list == &paths.told)
                    return {};
            }
        }
        return kept;
    }
};

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
    void Start(const std::string& command_line) override { StartHidden(command_line, CREATE_NO_WINDOW); }

    const LeadBytes& Lead() override { return SystemLeadBytes(); }
};

SystemTrees g_tree;
SystemCommands g_commands;

}  // namespace

bool IsOwnWindowsName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

TreePlatform& SystemTree() { return g_tree; }
TreeCommands& SystemTreeCommands() { return g_commands; }

std::string LogName(const EntryName& name) {
    if (name.empty() || name.size() > INT_MAX / 4) return std::string();
    const int size = static_cast<int>(name.size());
    const int length =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.data(), size, &text[0], length, nullptr, nullptr);
    return text;
}

std::string LastSystemError() { return ErrorText(::GetLastError()); }

}  // namespace karvelin::files
