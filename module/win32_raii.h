// Owners for Win32 resources: each one is released by its destructor, on
// every way out of the scope that acquired it.
#pragma once

#ifdef _WIN32

#include <winsock2.h>
#include <windows.h>

#include <utility>

namespace karvelin::win32 {

template <typename T, typename Close, T Invalid>
class unique_any {
public:
    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Invalid));
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Invalid; }
    // For out-parameters of the API that opens the resource.
    T* put() noexcept {
        reset();
        return &value_;
    }
    T release() noexcept { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) noexcept {
        if (value_ != Invalid) Close{}(value_);
        value_ = value;
    }

private:
    T value_ = Invalid;
};

struct close_hkey { void operator()(HKEY key) const noexcept { ::RegCloseKey(key); } };
struct close_handle { void operator()(HANDLE handle) const noexcept { ::CloseHandle(handle); } };
struct free_library { void operator()(HMODULE module) const noexcept { ::FreeLibrary(module); } };
struct free_local { void operator()(HLOCAL block) const noexcept { ::LocalFree(block); } };
struct free_global { void operator()(HGLOBAL block) const noexcept { ::GlobalFree(block); } };

using unique_hkey = unique_any<HKEY, close_hkey, nullptr>;
using unique_handle = unique_any<HANDLE, close_handle, nullptr>;
using unique_hmodule = unique_any<HMODULE, free_library, nullptr>;
using unique_hlocal = unique_any<HLOCAL, free_local, nullptr>;
using unique_hglobal = unique_any<HGLOBAL, free_global, nullptr>;

}  // namespace karvelin::win32

#endif  // _WIN32

namespace karvelin {

// Runs a callable when the scope ends, unless dismissed.
template <typename F>
class scope_exit {
public:
    explicit scope_exit(F f) noexcept : f_(std::move(f)) {}
    scope_exit(const scope_exit&) = delete;
    scope_exit& operator=(const scope_exit&) = delete;
    ~scope_exit() {
        if (armed_) f_();
    }
    void dismiss() noexcept { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};

}  // namespace karvelin
