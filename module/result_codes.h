// Names of the result codes, for reports and diagnostics. The DLL does not
// export this table: its callers see only the numbers (GetErrorDescription).
#pragma once

#include "Karvelin.h"

namespace karvelin {

struct CodeName {
    ResultCode code;
    const char* name;
};

inline constexpr CodeName kResultCodeNames[] = {
    {ERR_DEST_PATH_INVALID, "ERR_DEST_PATH_INVALID"},
    {ERR_DEST_NOT_NTFS, "ERR_DEST_NOT_NTFS"},
    {ERR_DEST_PATH_HAS_DOT, "ERR_DEST_PATH_HAS_DOT"},
    {ERR_DEST_PATH_IS_ROOT, "ERR_DEST_PATH_IS_ROOT"},
    {ERR_OS_UNSUPPORTED, "ERR_OS_UNSUPPORTED"},
    {ERR_OS_NO_SERVICE_PACK, "ERR_OS_NO_SERVICE_PACK"},
    {ERR_VERSION_TOO_OLD, "ERR_VERSION_TOO_OLD"},
    {ERR_NOT_ADMIN, "ERR_NOT_ADMIN"},
    {ERR_TOKEN_OPEN, "ERR_TOKEN_OPEN"},
    {ERR_TOKEN_QUERY, "ERR_TOKEN_QUERY"},
    {ERR_TOKEN_ALLOC, "ERR_TOKEN_ALLOC"},
    {ERR_SID_ALLOC, "ERR_SID_ALLOC"},
    {ERR_ADAPTER_INFO, "ERR_ADAPTER_INFO"},
    {ERR_NET_IP_EMPTY, "ERR_NET_IP_EMPTY"},
    {ERR_NET_IP_EQUALS_OTHER, "ERR_NET_IP_EQUALS_OTHER"},
    {ERR_NET_BAD_ADDRESS, "ERR_NET_BAD_ADDRESS"},
    {ERR_NET_SUBNET_MISMATCH, "ERR_NET_SUBNET_MISMATCH"},
    {ERR_NOT_LETTERFIGURE, "ERR_NOT_LETTERFIGURE"},
    {ERR_BAD_BUREAU_NAME, "ERR_BAD_BUREAU_NAME"},
};

// "OK" for 0, the ERR_ name of a known code, nullptr for any other value.
inline const char* ResultCodeName(ResultCode code) {
    if (code == 0) return "OK";
    for (const CodeName& entry : kResultCodeNames)
        if (entry.code == code) return entry.name;
    return nullptr;
}

}  // namespace karvelin
