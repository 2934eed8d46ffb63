// The text functions through Karvelin.dll's exports.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/name_cases.h"
#include "text/trim_cases.h"
#include "Karvelin.h"
#include "module/table_samples.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

using namespace std::string_literals;

TEST(TextThroughTheDll, TrimInPlace) {
    const LoadedKarvelin dll;
    auto trim_right = dll.Get<void (*)(char*)>("TrimRight"), trim_left = dll.Get<void (*)(char*)>("TrimLeft");
    // The export has no length: the text and its NUL, then guard bytes.
    for (const text::TrimCase& c : text::kTrimCases) {
        std::string right = c.text + '\0' + ">>", left = right;
        trim_right(right.data());
        trim_left(left.data());
        EXPECT_EQ(right, c.after_right + ">>") << '"' << c.text << '"';
        EXPECT_EQ(left, c.after_left + ">>") << '"' << c.text << '"';
    }
}

TEST(TextThroughTheDll, RecodeResultsGoBackWithLocalFree) {
    const LoadedKarvelin dll;
    auto recode = dll.Get<char* (*)(const char*, uint32_t)>("Recode");
    auto decode = dll.Get<char* (*)(const char*, uint32_t)>("Decode");
    win32::unique_hlocal encoded(recode(TableSample("Recode", 0), 3));
    ASSERT_TRUE(encoded);
    EXPECT_STREQ(static_cast<char*>(encoded.get()), TableSample("Decode", 0));
    EXPECT_GE(::LocalSize(encoded.get()), 7u);  // a block of the local heap
    win32::unique_hlocal plain(decode(static_cast<char*>(encoded.get()), 6));
    ASSERT_TRUE(plain);
    EXPECT_STREQ(static_cast<char*>(plain.get()), TableSample("Recode", 0));
}

TEST(TextThroughTheDll, LetterFigureChecksBytesNotCharacters) {
    const LoadedKarvelin dll;
    auto check = dll.Get<ResultCode (*)(const char*)>("IsLetterfigureString");
    for (const text::LetterfigureCase& c : text::kLetterfigureCases) EXPECT_EQ(check(c.text), c.expected) << c.text;
}

// Runs in the default code page (no lead bytes) and, as its own test run, with
// Wine's ANSI code page set to 936.
TEST(TextThroughTheDll, SystemCodePageNameChecks) {
    const LoadedKarvelin dll;
    auto check_name = dll.Get<ResultCode (*)(const char*)>("CheckBureauName");
    auto check_dest = dll.Get<ResultCode (*)(const char*)>("CheckDestFileDir");
    const UINT code_page = ::GetACP();
    CPINFO info{};
    ASSERT_TRUE(::GetCPInfo(CP_ACP, &info));
    const bool double_byte = info.LeadByte[0] != 0;
    ASSERT_TRUE(!double_byte || code_page == 936) << "case table is for code page 936, not " << code_page;
    std::printf("ANSI code page %u\n", code_page);
    for (const text::NameCase& c : text::kNameCases)
        EXPECT_EQ(check_name(c.name), double_byte ? c.code_page_936 : c.single_byte) << c.name;
    // 0x81 0x2E is one character under 936: no dot in the path.
    EXPECT_EQ(check_dest("C:\\\x81."), double_byte ? 0u : ERR_DEST_PATH_HAS_DOT);
    EXPECT_EQ(check_dest("C:\\\x81\x5c"), 0u);
}

}  // namespace
}  // namespace karvelin::test
