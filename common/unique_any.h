// One owner type for every kind of resource the library acquires: a traits
// class names the stored type, its invalid value and how it is released, and
// unique_any<Traits> releases it on every way out of the owning scope.
// The Win32 kinds are in common/win32_owners.h.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

namespace karvelin {

// Traits: `using pointer = ...; static pointer invalid() noexcept;
// static void close(pointer) noexcept;`
template <typename Traits>
class unique_any {
public:
    using pointer = typename Traits::pointer;

    unique_any() noexcept = default;
    explicit unique_any(pointer value) noexcept : value_(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    pointer get() const noexcept { return value_; }
    bool is_valid() const noexcept { return value_ != Traits::invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    // For the out-parameter of the call that acquires the resource: whatever
    // was held is released first.
    pointer* put() noexcept {
        reset();
        return &value_;
    }
    // Gives up ownership without releasing.
    pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(pointer value = Traits::invalid()) noexcept {
        const pointer old = std::exchange(value_, value);
        if (old != Traits::invalid()) Traits::close(old);
    }

private:
    pointer value_ = Traits::invalid();
};

// Traits for a handle type whose invalid value is a constant and whose
// release is a plain function. A handle that is a pointer gets its invalid
// value at the pointer's width: -1 is all ones in 32 and in 64 bits, as
// INVALID_HANDLE_VALUE is.
template <typename T, auto Close, auto Invalid>
struct handle_traits {
    using pointer = T;
    static pointer invalid() noexcept {
        if constexpr (std::is_pointer_v<pointer>)
            return reinterpret_cast<pointer>(static_cast<std::intptr_t>(Invalid));
        else
            return static_cast<pointer>(Invalid);
    }
    static void close(pointer value) noexcept { Close(value); }
};

// Runs a callable when the scope ends, unless dismissed: for the rare one-off
// clean-up that has no owner type.
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
