// The inner loops of Recode and Decode, one variant per processor feature: the
// byte loop runs everywhere; on x86 (the i686 and x86-64 DLLs, the Linux
// build) vector variants are built with their own target attributes, so that
// no other code of the library uses those instructions, and one is chosen at
// load from what `cpuid` reports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvelin::text {

// The pairs of plain positions 0..n-1, written backwards from `end` (position
// p's pair at end - 2(p + 1)).
using EncodeKernel = void (*)(const unsigned char* plain, std::uint32_t n, unsigned char* end);
// The plain bytes of the c pairs that stand before `end`, the last pair first.
using DecodeKernel = void (*)(const unsigned char* end, std::uint32_t c, unsigned char* plain);

struct RecodeVariant {
    const char* name;  // "bytes", "sse2", "ssse3", "avx2"
    EncodeKernel encode;
    DecodeKernel decode;
};

// The variants this processor can run, the byte loop first and the fastest
// last; `count` receives how many.
const RecodeVariant* RunnableRecodeVariants(std::size_t& count);

// The variant Recode and Decode use: the fastest runnable one, chosen when
// the library is loaded.
const RecodeVariant& ActiveRecodeVariant();
// Test and benchmark hook: makes Recode and Decode use `variant` (the byte
// loop, to compare both on one machine). Not for use while other threads call
// them.
void UseRecodeVariant(const RecodeVariant& variant);

}  // namespace karvelin::text
