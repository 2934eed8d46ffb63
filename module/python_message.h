// The Python glue's error messages, made in place without allocating: a
// message is built while an argument is refused or an output did not fit,
// and handed to the interpreter at once.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>

namespace karvelin::python {

class Message {
public:
    Message& operator<<(const char* text) { return Append(text, std::strlen(text)); }
    Message& operator<<(std::size_t number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return Append(digits, static_cast<std::size_t>(end - digits));
    }
    Message& operator<<(long long number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return Append(digits, static_cast<std::size_t>(end - digits));
    }
    Message& operator<<(int number) { return *this << static_cast<long long>(number); }
    const char* c_str() const { return text_; }

private:
    Message& Append(const char* text, std::size_t size) {
        size = std::min(size, sizeof text_ - 1 - length_);
        std::memcpy(text_ + length_, text, size);
        length_ += size;
        text_[length_] = '\0';
        return *this;
    }
    char text_[256] = {};
    std::size_t length_ = 0;
};

}  // namespace karvelin::python
