#include "text/recode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "Karvelin.h"

namespace karvelin::text {
namespace {

struct FreeText {
    void operator()(char* text) const { SystemAllocator().Release(text); }
};
using Text = std::unique_ptr<char, FreeText>;

std::string RecodeOf(const std::string& bytes, std::uint32_t n) {
    Text text(Recode(bytes.data(), n, SystemAllocator()));
    return text ? std::string(text.get(), 2 * static_cast<std::size_t>(n)) : "(null)";
}

std::string DecodeOf(const std::string& text, std::uint32_t m) {
    Text plain(Decode(text.data(), m, SystemAllocator()));
    return plain ? std::string(plain.get(), m / 2) : "(null)";
}

TEST(Recode, WorkedExamples) {
    const struct {
        std::string plain;
        std::string encoded;
    } cases[] = {
        {"abc", "?E8>17"},
        {"a", "17"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecodeOf(c.plain, static_cast<std::uint32_t>(c.plain.size())), c.encoded);
        EXPECT_EQ(DecodeOf(c.encoded, static_cast<std::uint32_t>(c.encoded.size())), c.plain);
    }
}

TEST(Recode, ResultsEndInNulAndEmptyIsNotNull) {
    for (std::uint32_t n : {0u, 1u, 7u}) {
        Text text(Recode("abcdefg", n, SystemAllocator()));
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::string(text.get()).size(), 2u * n);
    }
    for (std::uint32_t m : {0u, 1u}) {
        Text text(Decode("?E", m, SystemAllocator()));
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text.get(), "");
    }
}

TEST(Decode, IgnoresALastUnpairedCharacter) {
    EXPECT_EQ(DecodeOf("?E8>17x", 7), "abc");
    EXPECT_EQ(DecodeOf("?E8>17", 5), DecodeOf("?E8>", 4));  // the first two pairs only
}

TEST(Decode, AcceptsTextsRecodeDidNotMake) {
    const std::string plain = DecodeOf("abcdefghij", 10);
    EXPECT_EQ(plain.size(), 5u);
    EXPECT_EQ(RecodeOf(plain, 5).size(), 10u);
}

TEST(Recode, EachPrefixEncodingEndsTheLongerOne) {
    const std::string text = "The quick brown fox";
    const std::string whole = RecodeOf(text, static_cast<std::uint32_t>(text.size()));
    for (std::uint32_t n = 0; n <= text.size(); ++n) {
        const std::string prefix = RecodeOf(text, n);
        EXPECT_EQ(whole.substr(whole.size() - prefix.size()), prefix) << n;
    }
}

TEST(Recode, KeyAndOffsetCycles) {
    EXPECT_EQ(OffsetAt(0), OffsetAt(10));
    EXPECT_EQ(KeyAt(0), KeyAt(255));
    // Bytes chosen to give the same x = k XOR NOT b at positions 0 and 10: the
    // same offset, so the same pair.
    std::string bytes(11, 'a');
    bytes[0] = static_cast<char>(~(KeyAt(0) ^ 0x5A));
    bytes[10] = static_cast<char>(~(KeyAt(10) ^ 0x5A));
    const std::string encoded = RecodeOf(bytes, 11);
    EXPECT_EQ(encoded.substr(0, 2), encoded.substr(20, 2));  // position 10 first, position 0 last
    // The same byte at positions 0 and 255: the same key, offsets 40 and 75.
    const std::string same(256, 'q');
    const std::string long_encoded = RecodeOf(same, 256);
    const std::string at255 = long_encoded.substr(0, 2), at0 = long_encoded.substr(510, 2);
    EXPECT_EQ(at255[0] - at0[0], 35);
    EXPECT_EQ(at255[1] - at0[1], 35);
}

TEST(Recode, RoundTripEveryByteAndManyLengths) {
    std::mt19937 random(20261207);
    for (std::uint32_t n : {1u, 2u, 9u, 10u, 11u, 254u, 255u, 256u, 511u, 1000u, 4099u}) {
        std::string bytes(n, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::string encoded = RecodeOf(bytes, n);
        for (unsigned char c : encoded) ASSERT_TRUE(c >= 40 && c <= 118) << n;
        EXPECT_EQ(DecodeOf(encoded, 2 * n), bytes) << n;
    }
    for (unsigned value = 0; value < 256; ++value) {
        for (std::uint32_t position : {0u, 3u, 9u, 254u, 255u}) {
            std::string bytes(position + 1, 'x');
            bytes[position] = static_cast<char>(value);
            EXPECT_EQ(DecodeOf(RecodeOf(bytes, position + 1), 2 * (position + 1)), bytes) << value;
        }
    }
}

TEST(Recode, EveryPairFollowsItsPositionAcrossThePeriod) {
    // Key and offset repeat every 510 positions: lengths that end before,
    // at and past one and two periods.
    for (std::uint32_t n : {509u, 510u, 511u, 1020u, 1100u}) {
        std::string bytes(n, '\0');
        for (std::uint32_t p = 0; p < n; ++p) bytes[p] = static_cast<char>(p * 37 + 11);
        const std::string encoded = RecodeOf(bytes, n);
        for (std::uint32_t p = 0; p < n; ++p) {
            const unsigned x = (KeyAt(p) ^ ~static_cast<unsigned char>(bytes[p])) & 0xFF;
            const std::size_t at = 2 * static_cast<std::size_t>(n - 1 - p);
            ASSERT_EQ(encoded[at], static_cast<char>(OffsetAt(p) + x / 16)) << n << " " << p;
            ASSERT_EQ(encoded[at + 1], static_cast<char>(OffsetAt(p) + x % 16)) << n << " " << p;
        }
        EXPECT_EQ(DecodeOf(encoded, 2 * n), bytes) << n;
    }
}

// An allocator that has no memory, and records what it was asked for.
class NoMemory final : public AllocatorPlatform {
public:
    std::size_t last_request = 0;
    void* Allocate(std::size_t size) override {
        last_request = size;
        return nullptr;
    }
    void Release(void*) override {}
};

TEST(Recode, NoMemoryAnswersNull) {
    NoMemory kNoMemory;
    EXPECT_EQ(Recode("abc", 3, kNoMemory), nullptr);
    EXPECT_EQ(Decode("?E8>17", 6, kNoMemory), nullptr);
    EXPECT_EQ(Recode("", 0, kNoMemory), nullptr);
}

TEST(Recode, AsksForExactlyTheResultSize) {
    NoMemory kRecording;
    Recode("abc", 3, kRecording);
    EXPECT_EQ(kRecording.last_request, 7u);
    Decode("?E8>17x", 7, kRecording);
    EXPECT_EQ(kRecording.last_request, 4u);
    Decode(nullptr, 0xFFFFFFFFu, kRecording);  // nothing read when nothing is allocated
    EXPECT_EQ(kRecording.last_request, 0x80000000u);
}

TEST(Recode, SizeThatCannotBeRepresentedAnswersNull) {
    if (sizeof(std::size_t) > 4) GTEST_SKIP() << "2n + 1 always fits a 64-bit size";
    NoMemory kRecording;
    EXPECT_EQ(Recode("", 0x80000000u, kRecording), nullptr);
    EXPECT_EQ(kRecording.last_request, 0u) << "no short buffer may be asked for";
}

}  // namespace
}  // namespace karvelin::text
