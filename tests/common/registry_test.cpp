#include "common/registry_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace karvelin {
namespace {

TEST(TerminateRegistryText, KeepsTextsThatFitAndRefusesTheRest) {
    const struct {
        const char* data;
        std::size_t bytes_read;
        bool kept;
        const char* text;
    } cases[] = {
        {"6.0000\0", 7, true, "6.0000"},     // a string value with its NUL
        {"6.0000", 6, true, "6.0000"},       // binary data without NUL: terminated
        {"abcdefgh", 8, false, ""},          // fills the buffer, no room for the NUL
        {"abcdefg\0", 8, true, "abcdefg"},   // exactly fits with its NUL
        {"abcdefg", 7, true, "abcdefg"},     // the longest that is terminated here
        {"ab\0cd", 5, true, "ab"},           // embedded NUL ends the text
        {"", 0, true, ""},
    };
    for (const auto& c : cases) {
        char buffer[8 + 4];
        std::memset(buffer, '#', sizeof buffer);
        std::memcpy(buffer, c.data, c.bytes_read);
        EXPECT_EQ(TerminateRegistryText(buffer, 8, c.bytes_read), c.kept) << c.data;
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(std::string(buffer + 8, 4), "####") << "wrote past the buffer";
    }
}

}  // namespace
}  // namespace karvelin
