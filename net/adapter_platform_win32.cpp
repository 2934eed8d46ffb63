#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>
#include <vector>

#include "common/sized_text.h"
#include "net/adapter_platform_win32.h"

namespace karvelin::net {
namespace {

// A fixed-size text field of the system's records, up to its NUL.
template <std::size_t N>
std::string Field(const char (&field)[N]) {
    const void* nul = std::memchr(field, '\0', N);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : N);
}

class SystemAdapterPlatform final : public AdapterPlatform {
public:
    std::optional<std::vector<AdapterEntry>> Adapters(SystemError* error) override {
        // The size first; a host without adapters answers ERROR_NO_DATA.
        // Whole records, so the chain is aligned.
        DWORD status = ERROR_SUCCESS;
        const auto list = ReadSizedBlock<IP_ADAPTER_INFO>([&](IP_ADAPTER_INFO* block, std::size_t& size) {
            ULONG told = static_cast<ULONG>(size);
            status = ::GetAdaptersInfo(block, &told);
            size = told;
            if (status == ERROR_BUFFER_OVERFLOW) return Fill::kMoreData;
            return status == ERROR_SUCCESS ? Fill::kDone : Fill::kFailed;
        });
        if (list) return AdapterEntries(list->data());
        if (error) *error = status == ERROR_BUFFER_OVERFLOW ? ERROR_NO_DATA : status;
        return std::nullopt;
    }
};

SystemAdapterPlatform g_adapters;

}  // namespace

std::vector<AdapterEntry> AdapterEntries(const IP_ADAPTER_INFO* first) {
    std::vector<AdapterEntry> adapters;
    // An adapter's first address alone; the others follow IpAddressList.Next.
    for (const IP_ADAPTER_INFO* adapter = first; adapter; adapter = adapter->Next)
        adapters.push_back({Field(adapter->IpAddressList.IpAddress.String),
                            Field(adapter->IpAddressList.IpMask.String), Field(adapter->AdapterName),
                            Field(adapter->Description)});
    return adapters;
}

AdapterPlatform& SystemAdapters() { return g_adapters; }

}  // namespace karvelin::net
