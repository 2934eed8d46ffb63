#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Karvelin.h"
#include "module/result_codes.h"

namespace {

// The result-code table as the installer's documentation gives it, typed
// apart from the list in Karvelin.h: every code pinned to its number.
const struct {
    const char* name;
    unsigned number;
} kDocumentedCodes[] = {
    {"ERR_DEST_PATH_INVALID", 236798209},   {"ERR_DEST_NOT_NTFS", 236814594},
    {"ERR_DEST_PATH_HAS_DOT", 236798211},   {"ERR_DEST_PATH_IS_ROOT", 236798212},
    {"ERR_OS_UNSUPPORTED", 236798225},      {"ERR_OS_NO_SERVICE_PACK", 236798227},
    {"ERR_VERSION_TOO_OLD", 236798228},     {"ERR_NOT_ADMIN", 236798241},
    {"ERR_TOKEN_OPEN", 236798242},          {"ERR_TOKEN_QUERY", 236798243},
    {"ERR_TOKEN_ALLOC", 236798244},         {"ERR_SID_ALLOC", 236798245},
    {"ERR_ADAPTER_INFO", 236814689},        {"ERR_NET_IP_EMPTY", 236798321},
    {"ERR_NET_IP_EQUALS_OTHER", 236798322}, {"ERR_NET_BAD_ADDRESS", 236798323},
    {"ERR_NET_SUBNET_MISMATCH", 236798324}, {"ERR_NOT_LETTERFIGURE", 236814721},
    {"ERR_BAD_BUREAU_NAME", 236814737},
};

TEST(ResultCodes, EveryCodeHasItsDocumentedNumberAndName) {
    ASSERT_EQ(std::size(karvelin::kResultCodeNames), std::size(kDocumentedCodes));
    for (std::size_t i = 0; i < std::size(kDocumentedCodes); ++i) {
        const karvelin::CodeName& code = karvelin::kResultCodeNames[i];
        EXPECT_STREQ(code.name, kDocumentedCodes[i].name);
        EXPECT_EQ(code.code, kDocumentedCodes[i].number) << code.name;
        EXPECT_STREQ(karvelin::ResultCodeName(code.code), code.name);
        // Prefix 0x0E1D, class 4 or 8, a case from 1 up: never negative in Python.
        EXPECT_EQ(code.code >> 16, 0x0E1Du) << code.name;
        EXPECT_TRUE(((code.code >> 12) & 0xF) == 4 || ((code.code >> 12) & 0xF) == 8) << code.name;
        EXPECT_NE(code.code & 0xF, 0u) << code.name;
    }
    EXPECT_STREQ(karvelin::ResultCodeName(0), "OK");
    EXPECT_EQ(karvelin::ResultCodeName(0x0E1D4112u), nullptr);  // an unassigned gap
}

TEST(GetErrorDescription, UnsignedDecimalOfAll32Bits) {
    const struct {
        ResultCode code;
        const char* text;
    } cases[] = {
        {0, "0"},
        {ERR_OS_UNSUPPORTED, "236798225"},
        {0xFFFFFFFFu, "4294967295"},  // -1 from the module
        {0x80000000u, "2147483648"},
        {7, "7"},  // not a code of the library: formatted all the same
    };
    for (const auto& c : cases) EXPECT_STREQ(GetErrorDescription(c.code), c.text) << c.code;
}

TEST(GetErrorDescription, EachThreadHasItsOwnText) {
    const char* mine = GetErrorDescription(111);
    std::string theirs;
    std::thread other([&] { theirs = GetErrorDescription(222222); });
    other.join();
    EXPECT_STREQ(mine, "111");
    EXPECT_EQ(theirs, "222222");
    EXPECT_STREQ(GetErrorDescription(3), mine) << "the same thread reuses its buffer";
}

}  // namespace
