// Owners for the Win32 resources the library acquires: registry keys, kernel
// handles (NULL or INVALID_HANDLE_VALUE when absent), find handles, device
// information sets, SIDs, COM interface pointers and the COM apartment of a
// call.
#pragma once

#ifdef _WIN32

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>
#include <setupapi.h>

#include <utility>

#include "common/unique_any.h"

namespace karvelin::win32 {

using unique_hkey = unique_any<handle_traits<HKEY, &::RegCloseKey, 0>>;
// Process, thread, token, event...: NULL when absent.
using unique_handle = unique_any<handle_traits<HANDLE, &::CloseHandle, 0>>;
// CreateFile: INVALID_HANDLE_VALUE when absent.
using unique_hfile = unique_any<handle_traits<HANDLE, &::CloseHandle, -1>>;
using unique_hfind = unique_any<handle_traits<HANDLE, &::FindClose, -1>>;
using unique_hdevinfo = unique_any<handle_traits<HDEVINFO, &::SetupDiDestroyDeviceInfoList, -1>>;
// AllocateAndInitializeSid.
using unique_sid = unique_any<handle_traits<PSID, &::FreeSid, 0>>;

// One reference to a COM interface, released once.
template <typename Interface>
class com_ptr {
public:
    com_ptr() noexcept = default;
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~com_ptr() { reset(); }

    Interface* get() const noexcept { return p_; }
    Interface* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    // For CoCreateInstance and QueryInterface.
    void** put_void() noexcept {
        reset();
        return reinterpret_cast<void**>(&p_);
    }
    void reset(Interface* p = nullptr) noexcept {
        Interface* old = std::exchange(p_, p);
        if (old) old->Release();
    }

private:
    Interface* p_ = nullptr;
};

// The COM apartment of one call: CoUninitialize runs only when this call's
// CoInitialize succeeded (S_OK, or S_FALSE for an apartment already there),
// never for a refused one (RPC_E_CHANGED_MODE).
class unique_couninitialize_call {
public:
    unique_couninitialize_call() noexcept = default;
    explicit unique_couninitialize_call(HRESULT initialized) noexcept : armed_(SUCCEEDED(initialized)) {}
    unique_couninitialize_call(const unique_couninitialize_call&) = delete;
    unique_couninitialize_call& operator=(const unique_couninitialize_call&) = delete;
    unique_couninitialize_call(unique_couninitialize_call&& other) noexcept
        : armed_(std::exchange(other.armed_, false)) {}
    ~unique_couninitialize_call() { reset(); }

    explicit operator bool() const noexcept { return armed_; }
    void reset() noexcept {
        if (std::exchange(armed_, false)) ::CoUninitialize();
    }

private:
    bool armed_ = false;
};

// CoInitialize(NULL) for the calling thread, undone when the owner ends.
inline unique_couninitialize_call CoInitializeCall(HRESULT* result = nullptr) noexcept {
    const HRESULT hr = ::CoInitialize(nullptr);
    if (result) *result = hr;
    return unique_couninitialize_call(hr);
}

}  // namespace karvelin::win32

#endif  // _WIN32
