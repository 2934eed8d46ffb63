// The library's functions, in the Python module's method-table order. Every
// list of them is made from this table: the C exports' check against
// Karvelin.h, the Python method table and its glue, the module-definition
// file of the DLL, the export checks of the tests, and the karvelin program.
//
// X(name, type, arguments, python, lock)
//   type       the C export's type, as Karvelin.h declares it; it gives the
//              function's shape (what it takes and answers)
//   arguments  the argument names, for usage texts
//   python     what the Python glue calls: the export itself, or for a text
//              buffer the same function told the buffer's size
//   lock       Holds: the Python 3 glue keeps the interpreter lock during the
//              call; Releases: other Python threads run meanwhile (calls that
//              wait on the system)
#pragma once

#include <cstddef>
#include <cstdint>

#include "Karvelin.h"

namespace karvelin {

// A caller's text buffer and its size in bytes. A function whose output does
// not fit sets `needed` to the size it needs and leaves the buffer untouched;
// the Python faces then raise ValueError naming that size.
struct TextBuffer {
    char* data;
    std::size_t size;
    std::size_t needed = 0;
    // Python 2.7: the last byte is the str object's own terminating NUL, where
    // an output may put a NUL and nothing else.
    bool last_is_terminator = false;
};

// The size handed on for a native caller's buffer, whose size is not known:
// the buffer is taken to end at its text's NUL.
inline constexpr std::size_t kUnknownSize = static_cast<std::size_t>(-1);

namespace entry {
// The text-buffer functions, told the buffer's size (defined with the exports).
void TrimRight(TextBuffer& text) noexcept;
void TrimLeft(TextBuffer& text) noexcept;
void GetHostIPAddr(TextBuffer& records) noexcept;  // the clean-up's result is dropped
std::int32_t GetHostIPAddrAnswer(TextBuffer& records) noexcept;  // the C export's answer kept
ResultCode GetAddress(TextBuffer& text) noexcept;
}  // namespace entry

enum class Lock { Holds, Releases };

}  // namespace karvelin

#define KARVELIN_FUNCTIONS(X)                                                                         \
    X(CheckOS, ResultCode(void), "", ::CheckOS, Holds)                                                \
    X(CheckIeVersion, ResultCode(void), "", ::CheckIeVersion, Holds)                                  \
    X(FindServerVersion, int32_t(void), "", ::FindServerVersion, Holds)                               \
    X(RunSilent, int32_t(const char*, const char*), "COMMAND ARGUMENT", ::RunSilent, Releases)        \
    X(CheckUserRight, ResultCode(void), "", ::CheckUserRight, Holds)                                  \
    X(GetCurrentInstallationType, int32_t(void), "", ::GetCurrentInstallationType, Holds)             \
    X(Recode, char*(const char*, uint32_t), "TEXT COUNT", ::Recode, Holds)                            \
    X(Decode, char*(const char*, uint32_t), "TEXT COUNT", ::Decode, Holds)                            \
    X(CreateShortcut, int32_t(const char*, const char*, const char*, const char*, const char*),       \
      "TARGET ARGUMENTS WORKING_DIR LINK_PATH DESCRIPTION", ::CreateShortcut, Holds)                  \
    X(GetWinDeskTopDir, const char*(void), "", ::GetWinDeskTopDir, Holds)                             \
    X(GetWinProgramDir, const char*(void), "", ::GetWinProgramDir, Holds)                             \
    X(GetWindowsDir, const char*(void), "", ::GetWindowsDir, Holds)                                   \
    X(GetAddress, ResultCode(char*), "BUFFER", karvelin::entry::GetAddress, Holds)                    \
    X(GetHostIPAddr, int32_t(char*), "BUFFER", karvelin::entry::GetHostIPAddr, Holds)                 \
    X(TrimRight, void(char*), "TEXT", karvelin::entry::TrimRight, Holds)                              \
    X(TrimLeft, void(char*), "TEXT", karvelin::entry::TrimLeft, Holds)                                \
    X(ValidateNet, ResultCode(const char*, const char*, const char*, const char*),                    \
      "HOST MASK NETWORK OTHER", ::ValidateNet, Holds)                                                \
    X(ValidateTheIP, int32_t(const char*), "ADDRESS", ::ValidateTheIP, Holds)                         \
    X(CopyTheFile, int32_t(const char*, const char*), "SOURCE DESTINATION", ::CopyTheFile, Releases)   \
    X(IsLetterfigureString, ResultCode(const char*), "TEXT", ::IsLetterfigureString, Holds)           \
    X(CheckBureauName, ResultCode(const char*), "NAME", ::CheckBureauName, Holds)                     \
    X(CheckDestFileDir, ResultCode(const char*), "PATH", ::CheckDestFileDir, Holds)                   \
    X(DelFilesAndDir, void(const char*), "DIRECTORY", ::DelFilesAndDir, Releases)                     \
    X(GetErrorDescription, const char*(ResultCode), "CODE", ::GetErrorDescription, Holds)
