// Names of the result codes, for the karvelin program and diagnostics. The
// DLL does not export them: its callers see only the numbers.
#pragma once

#include "Karvelin.h"

namespace karvelin {

struct CodeName {
    ResultCode code;
    const char* name;
};

#define KARVELIN_CODE_NAME(name, value) {name, #name},
inline constexpr CodeName kResultCodeNames[] = {KARVELIN_RESULT_CODES(KARVELIN_CODE_NAME)};
#undef KARVELIN_CODE_NAME

// "OK" for 0, the ERR_ name of a known code, nullptr for any other value.
inline const char* ResultCodeName(ResultCode code) {
    if (code == KARVELIN_OK) return "OK";
    for (const CodeName& entry : kResultCodeNames)
        if (entry.code == code) return entry.name;
    return nullptr;
}

}  // namespace karvelin
