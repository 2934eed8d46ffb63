// What the tree removal's Windows files share: the NT calls
// (common/nt_calls_win32.h), the listing of a folder through its handle, the
// names the system gives an opened object, and the folders a removal never
// touches.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "common/nt_calls_win32.h"
#include "files/tree_platform.h"

namespace karvelin::files {

// Whether a listed name can name its own entry and nothing else on Windows:
// not "." or "..", no backslash, slash or colon, not empty.
bool IsOwnWindowsName(const std::wstring& name);

}  // namespace karvelin::files

namespace karvelin::files::tree_system {

using win32::Nt;

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
