#include "common/registry_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "common/sized_text.h"

namespace karvelin {
namespace {

// A value as a "fill this buffer or say what it takes" call hands it out,
// as the registry does; or a call that misreports.
struct Value {
    std::string data;
    enum { kHonest, kFails, kClaimsMoreThanOffered, kNeedsNothing } kind = kHonest;
    std::size_t largest_offer = 0;
    Fill operator()(void* buffer, std::size_t offered, std::size_t& length) {
        largest_offer = std::max(largest_offer, offered);
        if (kind == kFails) return Fill::kFailed;
        if (kind == kNeedsNothing) return length = 0, Fill::kMoreData;
        if (kind == kClaimsMoreThanOffered) return length = offered + 1, Fill::kDone;
        length = data.size();
        if (data.size() > offered) return Fill::kMoreData;
        std::memcpy(buffer, data.data(), data.size());
        return Fill::kDone;
    }
};

TEST(ReadSizedData, ReadsTheWholeValueAndItsTextEndsAtTheFirstNul) {
    const std::string long_text(5000, 'x');
    const struct {
        Value value;
        std::optional<std::string> data, text;
        std::size_t largest_offer;  // exactly the size needed, after the first try's 259
    } cases[] = {
        {{std::string("6.0000\0", 7)}, std::string("6.0000\0", 7), "6.0000", 259},
        {{"COM1"}, "COM1", "COM1", 259},  // no NUL: terminated
        {{std::string("ab\0cd", 5)}, std::string("ab\0cd", 5), "ab", 259},
        {{""}, "", "", 259},
        {{std::string(259, 'a')}, std::string(259, 'a'), std::string(259, 'a'), 259},
        {{std::string(260, 'a')}, std::string(260, 'a'), std::string(260, 'a'), 260},
        {{long_text}, long_text, long_text, 5000},
        {{"x", Value::kFails}, std::nullopt, std::nullopt, 259},
        {{"x", Value::kClaimsMoreThanOffered}, std::nullopt, std::nullopt, 259},
        {{"x", Value::kNeedsNothing}, std::nullopt, std::nullopt, 259},
    };
    for (auto c : cases) {
        const auto data = ReadSizedData(c.value);
        EXPECT_EQ(data, c.data) << c.value.data.size();
        EXPECT_EQ(data ? std::optional<std::string>(TextOfData(*data)) : std::nullopt, c.text);
        EXPECT_EQ(c.value.largest_offer, c.largest_offer) << c.value.data.size();
    }
}

}  // namespace
}  // namespace karvelin
