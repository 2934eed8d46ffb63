// What the tree removal's Windows files share: the NT calls looked up at run
// time, the listing of a folder through its handle, the names the system
// gives an opened object, and the folders a removal never touches.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "common/sized_text.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// Whether a listed name can name its own entry and nothing else on Windows:
// not "." or "..", no backslash, slash or colon, not empty.
bool IsOwnWindowsName(const std::wstring& name);

}  // namespace karvelin::files

namespace karvelin::files::tree_system {

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
    // An NT status as the thread's last error, for the log.
    using StatusToErrorCall = ULONG(NTAPI*)(NTSTATUS);
    StatusToErrorCall to_error = Lookup<StatusToErrorCall>("ntdll.dll", "RtlNtStatusToDosError");
    bool wine = Lookup<void*>("ntdll.dll", "wine_get_version") != nullptr;
    bool usable() const { return open && list && set && query; }
};

// The calls, looked up when the library loads (ntdll is in every process
// before it).
const NtCalls& Nt();

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

// Listing (tree_listing_win32.cpp).
EntryKind KindOf(DWORD attributes);
// Each entry of the folder open as `folder`, as the system lists them.
void ListEntries(HANDLE folder, const TreeNode::Visit& visit);

// Object names (tree_object_name_win32.cpp).
// The object's name ("\\??\\Z:\\..."); empty when it cannot be had.
std::wstring FinalPathOf(HANDLE handle);
bool SameIgnoringCase(const std::wstring& a, const std::wstring& b);
// "\Device\HarddiskVolume1\x" as "C:\x": the drive letter whose device is
// the name's start; a share's as "\\server\share\x". Empty for a name no
// drive letter reaches.
std::wstring DosPathOf(const std::wstring& object_name);

// Kept folders (tree_kept_folders_win32.cpp).
// The paths of what a removal of the full path `full` never touches: `told`
// must each be told (else nothing is removed); `reachable` are told where
// they can be opened (the Unix side's folders, which may be closed to the
// caller).
struct KeptPaths {
    std::vector<std::wstring> told, reachable;
};
// Empty `told` when one of them cannot be named.
KeptPaths KeptPathsFor(const std::wstring& full);

}  // namespace karvelin::files::tree_system
