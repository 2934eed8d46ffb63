#include "checks/os_records_win32.h"

#include <windows.h>

#include <cstring>

#include "module/win32_raii.h"

namespace karvelin::checks::win32 {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the plain version record");

void QueryVersion(VersionRecord& record) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!::GetVersionExA(&info)) return;
    record.major = info.dwMajorVersion;
    record.minor = info.dwMinorVersion;
    static_assert(sizeof record.service_pack == sizeof info.szCSDVersion, "same text size");
    std::memcpy(record.service_pack, info.szCSDVersion, sizeof record.service_pack);
    record.service_pack[sizeof record.service_pack - 1] = '\0';
}

void ReadRegistryString(const char* key_path, const char* value_name, char* buffer, std::size_t size) {
    if (size == 0) return;
    karvelin::win32::unique_hkey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return;

    DWORD needed = 0;
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, nullptr, &needed) != ERROR_SUCCESS ||
        needed == 0)
        return;

    // The size asked for above may overstate an ANSI text, so offer the
    // smaller of it and the buffer: data that does not fit fails the read.
    DWORD offered = needed < size ? needed : static_cast<DWORD>(size);
    const LONG read = ::RegQueryValueExA(key.get(), value_name, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(buffer), &offered);
    if (read != ERROR_SUCCESS) {
        std::memset(buffer, 0, size);  // what a failed read left is undefined
        return;
    }
    TerminateRegistryText(buffer, size, offered);
}

namespace {

class SystemRecords final : public HostRecords {
public:
    void QueryVersion(VersionRecord& record) override { win32::QueryVersion(record); }
    void ReadRegistryString(const char* key_path, const char* value_name, char* buffer,
                            std::size_t size) override {
        win32::ReadRegistryString(key_path, value_name, buffer, size);
    }
};

}  // namespace
}  // namespace karvelin::checks::win32

namespace karvelin::checks {

HostRecords& SystemHostRecords() {
    static win32::SystemRecords records;
    return records;
}

}  // namespace karvelin::checks
