// What the stand-in tests call on the stand-ins (tests/module/standin).
#pragma once

#include <string>

#include "win32_test_support.h"

namespace karvelin::test {

// A DLL of the build, by its path from the test program's folder.
inline win32::unique_hmodule LoadBeside(const std::string& name) {
    return win32::unique_hmodule(::LoadLibraryA(BesideSelf(name).c_str()));
}

// The error a stand-in was left with, as "Type: message" ("" for none), and the size it names.
inline std::string TakenError(HMODULE standin, long long* needed = nullptr) {
    const char* message = nullptr;
    long long size = -1;
    const char* type = Exported<const char* (*)(const char**, long long*)>(standin, "StandIn_TakeError")(&message, &size);
    if (needed) *needed = size;
    return type ? std::string(type) + ": " + message : "";
}

}  // namespace karvelin::test
