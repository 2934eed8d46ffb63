// The NT calls the library makes, looked up at run time: ntdll exports them
// on every release since Windows 2000, but its import library is no part of
// the toolchain's defaults.
#pragma once

#include <windows.h>
#include <winternl.h>

namespace karvelin::win32 {

using NtOpenFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
using NtQueryDirectoryFileCall = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                  FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN);
using NtFileInformationCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using NtQueryObjectCall = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

// FileBasicInformation: an object's times and attributes, which the copy and
// the removal set through the handle they hold.
constexpr FILE_INFORMATION_CLASS kBasicInformation = static_cast<FILE_INFORMATION_CLASS>(4);

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
    // What the tree removal cannot do without.
    bool usable() const { return open && list && set && query; }
};

// The calls, looked up at their first use (ntdll is in every process before
// the library).
inline const NtCalls& Nt() {
    static const NtCalls calls;
    return calls;
}

}  // namespace karvelin::win32
