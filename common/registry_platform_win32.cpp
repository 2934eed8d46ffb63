#include "common/registry_platform_win32.h"

#include <new>

#include "common/registry_text.h"
#include "common/sized_text.h"
#include "common/win32_owners.h"

namespace karvelin::win32 {
namespace {

// The key to read: the root itself for an empty path, else the path opened
// under it into `opened`. Null when it cannot be opened, with the status in
// `status`.
HKEY OpenKey(HKEY root, const char* key_path, unique_hkey& opened, LONG& status) {
    if (!key_path || !*key_path) return root;
    status = ::RegOpenKeyExA(root, key_path, 0, KEY_QUERY_VALUE, opened.put());
    return status == ERROR_SUCCESS ? opened.get() : nullptr;
}

// Tells the caller the status of the step that failed.
void Tell(SystemError* error, LONG status) {
    if (error) *error = static_cast<SystemError>(status);
}

// The key to read under (opened, or the root itself), its status told.
HKEY OpenAndTell(HKEY root, const char* key_path, unique_hkey& opened, LONG& status, SystemError* error) {
    const HKEY key = OpenKey(root, key_path, opened, status);
    Tell(error, status);
    return key;
}

}  // namespace

std::optional<std::string> KeyRegistry::ReadText(const char* key_path, const char* value_name,
                                                 SystemError* error) {
    unique_hkey opened;
    LONG status = ERROR_SUCCESS;
    const HKEY key = OpenAndTell(root_, key_path, opened, status, error);
    if (!key) return std::nullopt;
    std::optional<std::string> data;
    try {
        data = ReadSizedData([&](void* buffer, std::size_t offered, std::size_t& length) {
            DWORD size = offered < MAXDWORD ? static_cast<DWORD>(offered) : MAXDWORD - 1;
            status = ::RegQueryValueExA(key, value_name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
            length = size;
            return status == ERROR_SUCCESS ? Fill::kDone : status == ERROR_MORE_DATA ? Fill::kMoreData : Fill::kFailed;
        });
        if (!data || data->empty()) {
            Tell(error, data ? ERROR_SUCCESS : status);
            return std::nullopt;
        }
        return TextOfData(*data);
    } catch (const std::bad_alloc&) {
        Tell(error, ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
}

std::optional<std::uint32_t> KeyRegistry::ReadNumber(const char* key_path, const char* value_name,
                                                     SystemError* error) {
    unique_hkey opened;
    LONG status = ERROR_SUCCESS;
    const HKEY key = OpenAndTell(root_, key_path, opened, status, error);
    if (!key) return std::nullopt;
    DWORD number = 0, size = sizeof number;  // a shorter value fills its low bytes
    status = ::RegQueryValueExA(key, value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
    Tell(error, status);
    if (status != ERROR_SUCCESS || size == 0) return std::nullopt;
    return number;
}

}  // namespace karvelin::win32

namespace karvelin {
namespace {

win32::KeyRegistry g_registry(HKEY_LOCAL_MACHINE);

}  // namespace

RegistryPlatform& SystemRegistry() { return g_registry; }

}  // namespace karvelin
