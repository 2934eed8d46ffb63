#include "text/recode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "log_capture.h"

namespace karvelin::text {
namespace {

struct FreeText {
    void operator()(char* text) const { SystemAllocator().Release(text); }
};
using Text = std::unique_ptr<char, FreeText>;

// The worked example: "abc", recoded.
const std::string kAbcRecoded = "?E8>17";

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
        {"abc", kAbcRecoded},
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
    EXPECT_EQ(DecodeOf(kAbcRecoded + "x", 7), "abc");
    EXPECT_EQ(DecodeOf(kAbcRecoded, 5), DecodeOf(kAbcRecoded.substr(0, 4), 4));  // the first two pairs only
}

TEST(Decode, AcceptsTextsRecodeDidNotMake) {
    const std::string plain = DecodeOf("abcdefghij", 10);
    EXPECT_EQ(plain.size(), 5u);
    EXPECT_EQ(RecodeOf(plain, 5).size(), 10u);
}

TEST(Recode, PairsWorkedByHandAcrossThePeriods) {
    // 511 bytes 'a' (NOT 0x61 = 0x9E): x = k XOR 0x9E, each half plus o.
    const std::string encoded = RecodeOf(std::string(511, 'a'), 511);
    const struct {
        std::uint32_t position;
        const char* pair;
    } cases[] = {
        {0, "17"},    // k 1, x 0x9F, o 40
        {9, "pk"},    // k 10, x 0x94, o 103: the last offset of its cycle
        {10, "1-"},   // k 11, x 0x95, o 40 again
        {254, "JE"},  // k 255, x 0x61, o 68: the last key of its cycle
        {255, "TZ"},  // k 1 again, x 0x9F, o 75
        {509, "mh"},  // k 255, o 103: both cycles end
        {510, "17"},  // both begin again
    };
    for (const auto& c : cases)
        EXPECT_EQ(encoded.substr(2 * (510 - c.position), 2), c.pair) << c.position;
}

// The rule written out a byte at a time, without the library's tables.
std::string RuleEncoding(const std::string& plain) {
    std::string encoded;
    for (std::size_t p = 0; p < plain.size(); ++p) {
        const unsigned key = p % 255 + 1, offset = 40 + 7 * (p % 10);
        const unsigned x = (key ^ ~static_cast<unsigned char>(plain[p])) & 0xFF;
        encoded.insert(encoded.begin(), {static_cast<char>(offset + x / 16), static_cast<char>(offset + x % 16)});
    }
    return encoded;
}

TEST(Recode, FollowsTheRuleForEveryByteAndManyLengths) {
    // Key and offset repeat every 510 positions: every length up to two
    // groups of sixteen, and lengths that end before, at and past one and two
    // periods.
    std::vector<std::uint32_t> lengths = {254, 255, 256, 509, 510, 511, 1020, 4099};
    for (std::uint32_t n = 1; n <= 33; ++n) lengths.push_back(n);
    std::mt19937 random(20261207);
    for (std::uint32_t n : lengths) {
        std::string bytes(n, '\0');
        for (char& b : bytes) b = static_cast<char>(random());
        const std::string expected = RuleEncoding(bytes), encoded = RecodeOf(bytes, n);
        EXPECT_EQ(encoded, expected) << n;
        for (unsigned char c : encoded) ASSERT_TRUE(c >= 40 && c <= 118) << n;
        EXPECT_EQ(DecodeOf(expected, 2 * n), bytes) << n;
    }
    for (unsigned value = 0; value < 256; ++value) {
        for (std::uint32_t position : {0u, 3u, 9u, 254u, 255u}) {
            std::string bytes(position + 1, 'x');
            bytes[position] = static_cast<char>(value);
            const std::string expected = RuleEncoding(bytes);
            EXPECT_EQ(RecodeOf(bytes, position + 1), expected) << value;
            EXPECT_EQ(DecodeOf(expected, 2 * (position + 1)), bytes) << value;
        }
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
    test::LogCapture log;
    EXPECT_EQ(Recode("abc", 3, kNoMemory), nullptr);
    EXPECT_EQ(Decode(kAbcRecoded.c_str(), 6, kNoMemory), nullptr);
    EXPECT_TRUE(log.Has("failure Recode: encode: 3 bytes into a text of 7 bytes: no memory")) << log.Lines();
    EXPECT_TRUE(log.Has("failure Decode: decode: 6 bytes into a text of 4 bytes: no memory")) << log.Lines();
    EXPECT_EQ(Recode("", 0, kNoMemory), nullptr);
}

TEST(Recode, AsksForExactlyTheResultSize) {
    NoMemory kRecording;
    Recode("abc", 3, kRecording);
    EXPECT_EQ(kRecording.last_request, 7u);
    Decode((kAbcRecoded + "x").c_str(), 7, kRecording);
    EXPECT_EQ(kRecording.last_request, 4u);
    Decode(nullptr, 0xFFFFFFFFu, kRecording);  // nothing read when nothing is allocated
    EXPECT_EQ(kRecording.last_request, 0x80000000u);
}

TEST(Recode, SizeThatCannotBeRepresentedAnswersNull) {
    if (sizeof(std::size_t) > 4) GTEST_SKIP() << "2n + 1 always fits a 64-bit size: the 32-bit builds run this";
    NoMemory kRecording;
    EXPECT_EQ(Recode("", 0x7FFFFFFFu, kRecording), nullptr);  // the most that fits: asked for
    EXPECT_EQ(kRecording.last_request, 0xFFFFFFFFu);
    kRecording.last_request = 0;
    EXPECT_EQ(Recode("", 0x80000000u, kRecording), nullptr);
    EXPECT_EQ(kRecording.last_request, 0u) << "no short buffer may be asked for";
}

}  // namespace
}  // namespace karvelin::text
