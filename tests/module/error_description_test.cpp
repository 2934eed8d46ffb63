#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Karvelin.h"
#include "module/result_codes.h"

namespace {

TEST(GetErrorDescription, UnsignedDecimalOfAll32Bits) {
    const struct {
        ResultCode code;
        const char* text;
    } cases[] = {
        {0, "0"},
        {ERR_OS_UNSUPPORTED, "236798225"},
        {ERR_DEST_NOT_NTFS, "236814594"},
        {0xFFFFFFFFu, "4294967295"},  // -1 from the module
        {0x80000000u, "2147483648"},
        {7, "7"},  // not a code of the library: formatted all the same
    };
    for (const auto& c : cases) EXPECT_STREQ(GetErrorDescription(c.code), c.text) << c.code;
}

TEST(GetErrorDescription, EveryCodeIsItsOwnNumber) {
    for (const karvelin::CodeName& entry : karvelin::kResultCodeNames) {
        EXPECT_EQ(std::to_string(entry.code), GetErrorDescription(entry.code)) << entry.name;
        EXPECT_EQ(entry.code >> 16, 0x0E1Du) << entry.name;
        EXPECT_LT(entry.code, 0x80000000u) << entry.name;
    }
}

TEST(GetErrorDescription, EachThreadHasItsOwnText) {
    const char* mine = GetErrorDescription(111);
    std::string theirs;
    const char* their_pointer = nullptr;
    std::thread other([&] {
        their_pointer = GetErrorDescription(222222);
        theirs = their_pointer;
    });
    other.join();
    EXPECT_NE(mine, their_pointer);
    EXPECT_STREQ(mine, "111");
    EXPECT_EQ(theirs, "222222");
}

TEST(ResultCodeName, NamesKnownCodesOnly) {
    EXPECT_STREQ(karvelin::ResultCodeName(0), "OK");
    EXPECT_STREQ(karvelin::ResultCodeName(ERR_BAD_BUREAU_NAME), "ERR_BAD_BUREAU_NAME");
    EXPECT_EQ(karvelin::ResultCodeName(0x0E1D4112u), nullptr);  // an unassigned gap
}

}  // namespace
