// The names Windows gives an opened object (NtQueryObject), and such a name
// mapped back to a drive letter or a share.
#include <vector>

#include "common/sized_text.h"
#include "files/tree_platform_win32.h"

namespace karvelin::files::tree_system {

std::wstring FinalPathOf(HANDLE handle) {
    if (!Nt().object_name) return std::wstring();
    const auto block = ReadSizedBlock<LONGLONG>(
        [&](LONGLONG* buffer, std::size_t& size) {
            ULONG needed = 0;
            const ULONG offered = static_cast<ULONG>(size);
            if (NT_SUCCESS(Nt().object_name(handle, ObjectNameInformation, buffer, offered, &needed)))
                return Fill::kDone;
            if (needed <= offered) return Fill::kFailed;
            size = needed;
            return Fill::kMoreData;
        },
        1024 * sizeof(LONGLONG));
    if (!block) return std::wstring();
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(block->data());
    if (!name->Buffer || name->Length > block->size() * sizeof(LONGLONG) - sizeof(UNICODE_STRING))
        return std::wstring();
    return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
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
