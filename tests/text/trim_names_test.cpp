#include "text/trim_names.h"
#include "text/name_cases.h"
#include "text/trim_cases.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "log_capture.h"

namespace karvelin::text {
namespace {

// A text in a buffer with guard bytes on both sides; the result is the whole
// old extent (text and its NUL), so zero bytes where blanks were can be seen.
struct Buffer {
    explicit Buffer(const std::string& text) : bytes("<<" + text + std::string(1, '\0') + ">>") {}
    char* text() { return &bytes[2]; }
    std::string extent(std::size_t length) const { return bytes.substr(2, length + 1); }
    bool guards_intact() const { return bytes.substr(0, 2) == "<<" && bytes.substr(bytes.size() - 2) == ">>"; }
    std::string bytes;
};

using namespace std::string_literals;

TEST(Trim, BlanksOnlyAtTheirOwnEnd) {
    // A buffer that holds the text and its NUL, and one that ends with the text.
    for (const std::size_t extra : {1, 0})
        for (const TrimCase& c : kTrimCases) {
            Buffer right(c.text), left(c.text);
            TrimRight(right.text(), c.text.size() + extra);
            TrimLeft(left.text(), c.text.size() + extra);
            EXPECT_EQ(right.extent(c.text.size()), c.after_right) << '"' << c.text << '"' << extra;
            EXPECT_EQ(left.extent(c.text.size()), c.after_left) << '"' << c.text << '"' << extra;
            EXPECT_TRUE(right.guards_intact() && left.guards_intact()) << '"' << c.text << '"';
        }
}

TEST(Trim, Only254BytesOrFewerAreTrimmed) {
    const std::string text254 = " " + std::string(252, 'x') + " ";
    Buffer right(text254), left(text254);
    TrimRight(right.text(), SIZE_MAX);
    TrimLeft(left.text(), SIZE_MAX);
    EXPECT_EQ(right.extent(254), " " + std::string(252, 'x') + "\0\0"s);
    EXPECT_EQ(left.extent(254), std::string(252, 'x') + " " + "\0\0"s);
    test::LogCapture log;
    for (const std::string& text : {text254 + " ", " " + text254, std::string(300, ' ')})
        for (auto trim : {TrimRight, TrimLeft}) {
            Buffer buffer(text);
            trim(buffer.text(), SIZE_MAX);
            EXPECT_EQ(buffer.extent(text.size()), text + '\0');
        }
    for (const char* function : {"failure TrimRight: ", "failure TrimLeft: "})
        EXPECT_TRUE(log.Has(function + "trim: text of 255 bytes or more: left alone"s)) << log.Lines();
}

TEST(IsLetterfigureString, AsciiLettersAndDigitsOnly) {
    for (const LetterfigureCase& c : kLetterfigureCases) {
        test::LogCapture log;
        EXPECT_EQ(IsLetterfigureString(c.text), c.expected) << c.text;
        EXPECT_EQ(log.Has("failure IsLetterfigureString: check: byte "), c.expected != 0) << log.Lines();
    }
}

TEST(CheckBureauName, SingleByteAndCodePage936) {
    const LeadBytes lead = LeadBytesOfCodePage(936);
    for (const NameCase& c : kNameCases) {
        test::LogCapture log;
        EXPECT_EQ(CheckBureauName(c.name, LeadBytes{}), c.single_byte) << c.name;
        EXPECT_EQ(log.Has("failure CheckBureauName: check: byte "), c.single_byte != 0) << log.Lines();
        EXPECT_EQ(CheckBureauName(c.name, lead), c.code_page_936) << c.name;
    }
}

TEST(LeadBytes, KnownDoubleByteCodePages) {
    EXPECT_TRUE(LeadBytesOfCodePage(1252).Empty());
    // Each range's first and last lead byte, and the bytes either side.
    const struct {
        unsigned code_page;
        std::vector<unsigned char> lead, not_lead;
    } cases[] = {
        {932, {0x81, 0x9F, 0xE0, 0xFC}, {0x80, 0xA0, 0xDF, 0xFD}},
        {936, {0x81, 0xFE}, {0x80, 0xFF}},
        {949, {0x81, 0xFE}, {0x80, 0xFF}},
        {950, {0x81, 0xFE}, {0x80, 0xFF}},
    };
    for (const auto& c : cases) {
        const LeadBytes lead = LeadBytesOfCodePage(c.code_page);
        for (unsigned char byte : c.lead) EXPECT_TRUE(lead.IsLead(static_cast<char>(byte))) << c.code_page << " " << +byte;
        for (unsigned char byte : c.not_lead)
            EXPECT_FALSE(lead.IsLead(static_cast<char>(byte))) << c.code_page << " " << +byte;
    }
    const LeadBytes cp936 = LeadBytesOfCodePage(936);
    EXPECT_EQ(cp936.CharLength("\x81\x5c"), 2u);
    EXPECT_EQ(cp936.CharLength("\x81"), 1u);  // never past the NUL
    EXPECT_EQ(cp936.CharLength("a"), 1u);
}

}  // namespace
}  // namespace karvelin::text
