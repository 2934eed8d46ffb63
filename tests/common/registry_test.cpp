#include "common/registry_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "common/sized_text.h"

namespace karvelin {
namespace {

// A value as a "fill this buffer or say what it takes" call hands it out, as
// the registry does, or a call that fails (the fuzzer tries the misreports).
enum Kind { kHonest, kFails };
struct Value {
    std::string data;
    Kind kind;
    std::size_t largest_offer = 0;
    Fill operator()(void* buffer, std::size_t offered, std::size_t& length) {
        largest_offer = std::max(largest_offer, offered);
        if (kind == kFails) return Fill::kFailed;
        length = data.size();
        if (data.size() > offered) return Fill::kMoreData;
        std::memcpy(buffer, data.data(), data.size());
        return Fill::kDone;
    }
};

TEST(ReadSizedData, ReadsTheWholeValueAndItsTextEndsAtTheFirstNul) {
    const std::string long_text(5000, 'x');
    const std::optional<std::string> none;
    const struct {
        std::string data;
        Kind kind;
        std::optional<std::string> read, text;
        std::size_t largest_offer;  // exactly the size needed, after the first try's 259
    } cases[] = {
        {std::string("6.0000\0", 7), kHonest, std::string("6.0000\0", 7), "6.0000", 259},
        {"COM1", kHonest, "COM1", "COM1", 259},  // no NUL: terminated
        {std::string("ab\0cd", 5), kHonest, std::string("ab\0cd", 5), "ab", 259},
        {"", kHonest, "", "", 259},
        {std::string(259, 'a'), kHonest, std::string(259, 'a'), std::string(259, 'a'), 259},
        {std::string(260, 'a'), kHonest, std::string(260, 'a'), std::string(260, 'a'), 260},
        {long_text, kHonest, long_text, long_text, 5000},
        {"x", kFails, none, none, 259},
    };
    for (const auto& c : cases) {
        Value value{c.data, c.kind};
        const auto read = ReadSizedData(value);
        EXPECT_EQ(read, c.read) << c.data.size();
        EXPECT_EQ(read ? std::optional<std::string>(TextOfData(*read)) : none, c.text);
        EXPECT_EQ(value.largest_offer, c.largest_offer) << c.data.size();
    }
}

}  // namespace
}  // namespace karvelin
