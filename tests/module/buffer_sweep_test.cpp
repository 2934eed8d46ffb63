// The functions that write into a caller's buffer, through the internal form
// the Python faces use, at every buffer length from 0 to what they need plus
// 2, with guard bytes on both sides: nothing is written outside the buffer,
// an output that does not fit leaves the buffer untouched and names its
// size, and one that fits gives the exact bytes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "module/function_table.h"

namespace karvelin {
namespace {

constexpr char kGuard = '\x01';  // a byte no output holds
constexpr std::size_t kGuardSize = 16;

// The buffer of `length` bytes holding `content` (cut or padded with the
// guard byte), between guards; answers the whole block after the call.
std::string CallWith(const std::function<void(TextBuffer&)>& call, const std::string& content, std::size_t length,
                     std::size_t& needed) {
    std::string block(kGuardSize + length + kGuardSize, kGuard);
    block.replace(kGuardSize, std::min(length, content.size()), content.substr(0, length));
    TextBuffer buffer{&block[kGuardSize], length};
    call(buffer);
    needed = buffer.needed;
    return block;
}

std::string Guarded(const std::string& inside) {
    return std::string(kGuardSize, kGuard) + inside + std::string(kGuardSize, kGuard);
}

TEST(BufferSweep, RecordsAreWrittenWholeOrNotAtAll) {
    const std::function<void(TextBuffer&)> functions[] = {[](TextBuffer& b) { entry::GetHostIPAddr(b); },
                                                          [](TextBuffer& b) { (void)entry::GetAddress(b); }};
    for (const auto& call : functions) {
        // The output, from a buffer with room to spare.
        std::size_t needed = 0;
        const std::string full = CallWith(call, "", 65536, needed).substr(kGuardSize, 65536);
        const std::string output = full.substr(0, full.find(kGuard));
        for (std::size_t length = 0; length <= output.size() + 2; ++length) {
            const std::string block = CallWith(call, "", length, needed);
            if (length < output.size()) {
                EXPECT_EQ(needed, output.size()) << length;
                EXPECT_EQ(block, Guarded(std::string(length, kGuard))) << length;
            } else {
                EXPECT_EQ(needed, 0u) << length;
                EXPECT_EQ(block, Guarded(output + std::string(length - output.size(), kGuard))) << length;
            }
        }
    }
}

TEST(BufferSweep, TrimmingStaysInsideTheBuffer) {
    // The buffer holds the first `length` bytes of "  ab  \0zz".
    const std::string content("  ab  \0zz", 9);
    const struct {
        std::size_t length;
        std::string right, left;
    } cases[] = {
        {0, "", ""},
        {1, std::string(1, '\0'), std::string(1, '\0')},
        {2, std::string(2, '\0'), std::string(2, '\0')},
        {3, "  a", std::string("a\0\0", 3)},
        {4, "  ab", std::string("ab\0\0", 4)},
        {5, std::string("  ab\0", 5), std::string("ab \0\0", 5)},
        {6, std::string("  ab\0\0", 6), std::string("ab  \0\0", 6)},
        {7, std::string("  ab\0\0\0", 7), std::string("ab  \0\0\0", 7)},
        {8, std::string("  ab\0\0\0z", 8), std::string("ab  \0\0\0z", 8)},
        {9, std::string("  ab\0\0\0zz", 9), std::string("ab  \0\0\0zz", 9)},
    };
    for (const auto& c : cases) {
        std::size_t needed = 0;
        EXPECT_EQ(CallWith(entry::TrimRight, content, c.length, needed), Guarded(c.right)) << c.length;
        EXPECT_EQ(CallWith(entry::TrimLeft, content, c.length, needed), Guarded(c.left)) << c.length;
        EXPECT_EQ(needed, 0u);
    }
}

}  // namespace
}  // namespace karvelin
