// The tree removal's calls on Windows: objects opened relative to their
// directory's handle through ntdll (NtOpenFile with a root directory), listed
// and deleted through their own handles. Names stay in Unicode from the
// listing to the open, so no code-page conversion can turn a name into
// another one, and no path is ever resolved again below the folder that
// holds the tree. The NT calls are looked up at run time: ntdll exports them
// on every release since Windows 2000, but its import library is no part of
// the toolchain's defaults.
#include <windows.h>
#include <winternl.h>

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
    // Wine follows a Unix symbolic link even when asked to open the link
    // itself, lists a link to a file as that file, and deletes what a handle
    // opened; so under Wine each entry's final path (what its handle reaches,
    // the object's name) is compared with its directory's and the entry's
    // name. GetFinalPathNameByHandle would do, but Wine's fails beyond 260
    // characters.
    NtQueryObjectCall final_path = Lookup<void*>("ntdll.dll", "wine_get_version")
                                       ? Lookup<NtQueryObjectCall>("ntdll.dll", "NtQueryObject")
                                       : nullptr;
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
    std::vector<LONGLONG> buffer(1024);
    for (int tries = 0; tries < 4; ++tries) {
        ULONG needed = 0;
        const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(LONGLONG));
        const NTSTATUS status = Nt().final_path(handle, ObjectNameInformation, buffer.data(), size, &needed);
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

class SystemNode final : public TreeNode {
public:
    explicit SystemNode(win32::unique_hfile handle) : handle_(std::move(handle)) {
        valid_ = IdentityOf(handle_.get(), identity_, attributes_);
    }
    bool valid() const { return valid_; }

    std::uint32_t Attributes() override { return attributes_; }
    ObjectIdentity Identity() override { return identity_; }

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
                entry.attributes = record->FileAttributes;
                if (kind == kIdBothDirectoryInformation)
                    entry.file = static_cast<std::uint64_t>(
                        reinterpret_cast<const FILE_ID_BOTH_DIR_INFORMATION*>(record)->FileId.QuadPart);
                visit(entry);
                if (record->NextEntryOffset == 0) break;
                at += record->NextEntryOffset;
            }
        }
    }

    std::unique_ptr<TreeNode> OpenChild(const std::wstring& name) override {
        if (name.size() * sizeof(wchar_t) > 0xFFFE) return nullptr;
        UNICODE_STRING text;
        text.Buffer = const_cast<wchar_t*>(name.c_str());
        text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, handle_.get(), nullptr);
        // Held without delete sharing, nobody else can rename or delete it
        // while the walk holds it. Where that is refused (a program holds it
        // for deletion, a file may not be read), fewer rights still let the
        // walk list it or tell what it is.
        const struct {
            ACCESS_MASK access;
            ULONG sharing;
        } tries[] = {
            {DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
             FILE_SHARE_READ | FILE_SHARE_WRITE},
            {DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE},
            {FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
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

    void ResetAttributes() override {
        if (SetAttributes(FILE_ATTRIBUTE_NORMAL)) attributes_reset_ = true;
    }

    // Attributes belong to the file, not to one of its names: a file that
    // outlives this delete (it keeps another name, one that may lie outside
    // the tree, or the delete is refused) gets back the attributes it had.
    // When they cannot be put back, the delete is withdrawn. The disposition
    // flag that ignores read-only would spare the reset, but only Windows 10
    // has it (Wine 8 answers STATUS_NOT_IMPLEMENTED), and this path serves
    // every release.
    bool Delete() override {
        const bool other_names = attributes_reset_ && !(attributes_ & FILE_ATTRIBUTE_DIRECTORY) && LinkCount() != 1;
        if (!SetDisposition(true)) {
            RestoreAttributes();
            return false;
        }
        if (!other_names || RestoreAttributes()) return true;
        SetDisposition(false);
        RestoreAttributes();
        return false;
    }

private:
    bool SetAttributes(ULONG attributes) {
        FILE_BASIC_INFORMATION basic{};  // times 0: unchanged
        basic.FileAttributes = attributes;
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().set(handle_.get(), &io, &basic, sizeof basic, kBasicInformation));
    }

    bool RestoreAttributes() {
        if (!attributes_reset_) return true;
        const ULONG original = attributes_ & kSettableAttributes;
        if (!SetAttributes(original ? original : FILE_ATTRIBUTE_NORMAL)) return false;
        attributes_reset_ = false;
        return true;
    }

    bool SetDisposition(bool delete_file) {
        FILE_DISPOSITION_INFORMATION disposition{};
        disposition.DoDeleteFile = delete_file ? TRUE : FALSE;
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().set(handle_.get(), &io, &disposition, sizeof disposition, kDispositionInformation));
    }

    // The names the file has; 0 when the system cannot tell (then it may
    // have others).
    ULONG LinkCount() {
        FILE_STANDARD_INFORMATION standard{};
        IO_STATUS_BLOCK io{};
        return NT_SUCCESS(Nt().query(handle_.get(), &io, &standard, sizeof standard, kStandardInformation))
                   ? standard.NumberOfLinks
                   : 0;
    }

    // Under Wine: the child's final path is this directory's and the name.
    // A link anywhere gives another final path (its target's), and so does a
    // folder above swapped for a link after this one was opened. The last
    // name is compared without case: Wine finds a name that way too.
    bool ReachedByName(SystemNode& child, const std::wstring& name) {
        if (!Nt().final_path) return true;
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
    bool attributes_reset_ = false;  // by ResetAttributes, from attributes_
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
    std::unique_ptr<TreeNode> OpenParent(const std::string& path, std::wstring& name) override {
        if (!Nt().usable()) return nullptr;
        const std::wstring full = Verbatim(FullPath(path));
        const std::size_t separator = full.find_last_of(L'\\');
        if (separator == std::wstring::npos || separator + 1 == full.size()) return nullptr;
        name = full.substr(separator + 1);
        std::wstring parent = full.substr(0, separator);
        if (parent.back() == L':' || parent.back() == L'?') parent += L'\\';  // a drive's root
        return NodeAt(parent, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
    }

    // The Windows directory is the system's own, also under a terminal
    // server (where GetWindowsDirectory may name a folder of the user).
    std::vector<ObjectIdentity> ProtectedObjects(const std::string& path) override {
        const std::wstring full = FullPath(path);
        if (full.empty()) return {};
        std::vector<wchar_t> root(full.size() + 2);
        if (!::GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
        std::vector<std::wstring> paths = FolderAndParents(
            AskForText([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); }));
        if (paths.empty()) return {};
        paths.push_back(root.data());
        std::vector<ObjectIdentity> kept;
        for (const std::wstring& kept_path : paths) {
            const auto node = kept_path.empty() ? nullptr : NodeAt(kept_path, FILE_READ_ATTRIBUTES);
            if (!node) return {};  // one that cannot be told: nothing is removed
            kept.push_back(node->Identity());
        }
        return kept;
    }

    void Start(const std::string& command_line) override { ::WinExec(command_line.c_str(), SW_HIDE); }
};

SystemTrees g_tree;

}  // namespace

TreePlatform& SystemTree() { return g_tree; }

// Windows keeps the current folder and the environment under the process's
// own lock: there is nothing to read ahead.
TreeRemoval::TreeRemoval(const char* path) noexcept {
    ready_ = Guard(false, [&] {
        path_ = path ? path : "";
        return true;
    });
}

void TreeRemoval::operator()() const noexcept {
    if (ready_) Guard([&] { RemoveTree(path_.c_str(), SystemLeadBytes(), SystemTree()); });
}

void DelFilesAndDir(const char* path) { TreeRemoval{path}(); }

}  // namespace karvelin::files
