// The listing of a folder on Windows, read through the folder's handle
// (NtQueryDirectoryFile) and turned into the walk's entries.
#include <cstddef>
#include <vector>

#include "files/tree_platform_win32.h"

namespace karvelin::files::tree_system {
namespace {

constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006);  // STATUS_NO_MORE_FILES
constexpr FILE_INFORMATION_CLASS kBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(3);
constexpr FILE_INFORMATION_CLASS kIdBothDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(37);

}  // namespace

EntryKind KindOf(DWORD attributes) {
    return attributes & FILE_ATTRIBUTE_REPARSE_POINT ? EntryKind::Link
           : attributes & FILE_ATTRIBUTE_DIRECTORY   ? EntryKind::Folder
                                                     : EntryKind::File;
}

void ListEntries(HANDLE folder, const TreeNode::Visit& visit) {
    // 64 KiB: many entries per call, and within what a network
    // redirector accepts.
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
    FILE_INFORMATION_CLASS kind = kIdBothDirectoryInformation;
    for (BOOLEAN first = TRUE;; first = FALSE) {
        IO_STATUS_BLOCK io{};
        NTSTATUS status = Nt().list(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                    static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)), kind, FALSE, nullptr,
                                    first);
        if (first && !NT_SUCCESS(status) && status != kNoMoreFiles) {
            // Before XP, and on some redirectors, listings come without ids.
            kind = kBothDirectoryInformation;
            status = Nt().list(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
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

}  // namespace karvelin::files::tree_system
