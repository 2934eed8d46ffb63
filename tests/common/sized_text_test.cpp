#include "common/sized_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace karvelin {
namespace {

// A text the system hands out the way its queries do: what fits, and the size
// the whole takes (or, for the queries that do not tell it, twice the room).
struct Source {
    std::string text;
    bool tells_size = true;
    std::size_t growth = 0;  // the text grows by this much after each call
    bool fails = false;
    int calls = 0;
    bool operator()(char* buffer, std::size_t size, std::size_t& needed) {
        ++calls;
        if (fails) return false;
        const std::string now = text;
        text += std::string(growth, 'g');
        if (now.size() + 1 <= size) {
            std::memcpy(buffer, now.c_str(), now.size() + 1);
            needed = now.size() + 1;
        } else {
            std::memcpy(buffer, now.data(), size);  // cut, no NUL
            needed = tells_size ? now.size() + 1 : 2 * size;
        }
        return true;
    }
};

TEST(ReadSizedText, AsksAgainUntilTheWholeTextFits) {
    const struct {
        std::string text;
        bool tells_size;
        std::size_t growth;
        bool fails;
        std::optional<std::string> expected;
        int calls;
    } cases[] = {
        {"C:\\WINDOWS\\system32\\cmd.exe", true, 0, false, "C:\\WINDOWS\\system32\\cmd.exe", 1},
        {"", true, 0, false, "", 1},
        {std::string(259, 'a'), true, 0, false, std::string(259, 'a'), 1},  // with its NUL: 260
        {std::string(260, 'a'), true, 0, false, std::string(260, 'a'), 2},
        {std::string(2000, 'p'), false, 0, false, std::string(2000, 'p'), 4},  // 260, 520, 1040, 2080
        {std::string(300, 'a'), true, 1, false, std::nullopt, 8},             // grows past every try
        {"x", true, 0, true, std::nullopt, 1},
    };
    for (const auto& c : cases) {
        Source source{c.text, c.tells_size, c.growth, c.fails};
        EXPECT_EQ(ReadSizedText(source), c.expected) << c.text.size();
        EXPECT_EQ(source.calls, c.calls) << c.text.size();
    }
}

// A length-answering call (its length written; too small: the size needed,
// or the buffer's size with the text cut) and a block call that tells the
// size it needs.
TEST(ReadAnsweredText, ReadsBothKindsOfAnswer) {
    const std::string text(300, 'a');
    for (const TooSmall too_small : {TooSmall::kTellsSize, TooSmall::kCutsText}) {
        const auto read = ReadAnsweredText(
            [&](char* buffer, std::uint32_t size) -> std::uint32_t {
                std::memcpy(buffer, text.data(), std::min<std::size_t>(size, text.size() + 1));
                if (text.size() < size) return static_cast<std::uint32_t>(text.size());
                return too_small == TooSmall::kTellsSize ? static_cast<std::uint32_t>(text.size() + 1) : size;
            },
            too_small);
        EXPECT_EQ(read, text);
    }
}

TEST(ReadSizedBlock, AsksWithTheSizeTold) {
    const struct {
        std::size_t first_size, needs;
        bool fails;
        std::size_t records;  // nothing: 0
    } cases[] = {{0, 20, false, 3}, {64, 20, false, 8}, {0, 0, false, 0}, {0, 20, true, 0}};
    for (const auto& c : cases) {
        const auto block = ReadSizedBlock<std::uint64_t>(
            [&](std::uint64_t* data, std::size_t& size) {
                if (c.fails) return Fill::kFailed;
                if (data && size >= c.needs) return Fill::kDone;
                size = c.needs;
                return Fill::kMoreData;
            },
            c.first_size);
        EXPECT_EQ(block ? block->size() : 0, c.records) << c.first_size << " " << c.needs;
    }
}

}  // namespace
}  // namespace karvelin
