// Every inner-loop variant the processor runs against the byte loop, on the
// same inputs: lengths around the block sizes and the key and offset period,
// and texts Recode did not make.
#include "text/recode_variants.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "text/recode.h"

namespace karvelin::text {
namespace {

constexpr std::size_t kGuard = 64;
constexpr unsigned char kUntouched = 0xA5;

// What a kernel wrote for a count, with the guard bytes on both sides.
std::vector<unsigned char> Encoded(EncodeKernel encode, const std::vector<unsigned char>& plain, std::uint32_t n) {
    std::vector<unsigned char> out(2 * n + 2 * kGuard, kUntouched);
    encode(plain.data(), n, out.data() + kGuard + 2 * n);
    return out;
}

std::vector<unsigned char> Decoded(DecodeKernel decode, const std::vector<unsigned char>& text, std::uint32_t c) {
    std::vector<unsigned char> out(c + 2 * kGuard, kUntouched);
    decode(text.data() + 2 * c, c, out.data() + kGuard);
    return out;
}

TEST(RecodeVariants, EachAgreesWithTheByteLoop) {
    std::size_t count = 0;
    const RecodeVariant* variants = RunnableRecodeVariants(count);
    ASSERT_GE(count, 1u);
    ASSERT_STREQ(variants[0].name, "bytes");
#if defined(__x86_64__)
    EXPECT_GE(count, 2u) << "SSE2 is part of every x86-64 processor";
#endif
    std::string names;
    for (std::size_t v = 0; v < count; ++v) names += std::string(" ") + variants[v].name;
    std::printf("[          ] variants:%s\n", names.c_str());

    std::mt19937 random(20261207);
    std::vector<unsigned char> plain(4200), text(2 * 4200);
    for (auto& b : plain) b = static_cast<unsigned char>(random());
    for (auto& b : text) b = static_cast<unsigned char>(random());  // any character decodes
    std::vector<std::uint32_t> lengths;
    for (std::uint32_t n = 0; n <= 100; ++n) lengths.push_back(n);
    for (std::uint32_t n : {479u, 480u, 481u, 509u, 510u, 511u, 512u, 1019u, 1020u, 1021u, 4096u, 4127u, 4200u})
        lengths.push_back(n);

    for (std::size_t v = 1; v < count; ++v) {
        for (const std::uint32_t n : lengths) {
            SCOPED_TRACE(std::string(variants[v].name) + " n=" + std::to_string(n));
            ASSERT_EQ(Encoded(variants[v].encode, plain, n), Encoded(variants[0].encode, plain, n));
            ASSERT_EQ(Decoded(variants[v].decode, text, n), Decoded(variants[0].decode, text, n));
        }
    }
}

TEST(RecodeVariants, TheFastestIsChosenAndTheHookForcesAnother) {
    std::size_t count = 0;
    const RecodeVariant* variants = RunnableRecodeVariants(count);
    EXPECT_EQ(&ActiveRecodeVariant(), &variants[count - 1]);
    UseRecodeVariant(variants[0]);
    EXPECT_STREQ(ActiveRecodeVariant().name, "bytes");
    char* text = Recode("abc", 3, SystemAllocator());
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "?E8>17");
    SystemAllocator().Release(text);
    UseRecodeVariant(variants[count - 1]);
}

}  // namespace
}  // namespace karvelin::text
