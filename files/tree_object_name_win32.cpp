// The names Windows gives an opened object (NtQueryObject), and such a name
// mapped back to a drive letter or a share.
#include <vector>

#include "files/tree_platform_win32.h"

namespace karvelin::files::tree_system {

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

}  // namespace karvelin::files::tree_system
