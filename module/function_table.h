// The library's functions, in the Python module's method-table order. Every
// list of them is made from this table: the C exports' check against
// Karvelin.h, the Python method table and its glue, the module-definition
// file of the DLL, the export checks of the tests, the karvelin program and
// its report, and the tests that call every function.
//
// X(name, type, arguments, python, lock); what each function does is in
// KARVELIN_FUNCTION_NOTES below, row for row.
//
//   type       the C export's type, as Karvelin.h declares it; it gives the
//              function's shape (what it takes and answers)
//   arguments  the argument names, for usage texts
//   python     what the Python glue and the karvelin program call: the export
//              itself, or for a text buffer the same function told the
//              buffer's size
//   lock       Holds: the Python 3 glue keeps the interpreter lock during the
//              call; Releases: other Python threads run meanwhile (calls that
//              wait on the system)
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>

#include "Karvelin.h"
#include "module/entries.h"

namespace karvelin {

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


// What each function does, row for row as KARVELIN_FUNCTIONS (the rows are
// checked against each other below).
//
// N(name, effect, failure, summary)
//   effect   Reads: the function only looks at the host; ChangesHost: it
//            runs a program, or writes or removes files
//   failure  which answers say that the call failed (a caller's script reads
//            them from the karvelin program's exit status): NonZero (a result
//            code other than OK, an exit code, an error number), Zero (a no,
//            or 0 for "not copied"), Hresult (NonZero; a negative one is an
//            HRESULT), NoText (NULL: no memory), EmptyText (NULL or "": the
//            path could not be had), Never (a plain number or text)
//   summary  one line for usage texts
#define KARVELIN_FUNCTION_NOTES(N)                                                                     \
    N(CheckOS, Reads, NonZero, "whether the Windows release and its service pack are recent enough") \
    N(CheckIeVersion, Reads, NonZero, "whether the system browser's major version is 6 or more")    \
    N(FindServerVersion, Reads, Never, "the server release: 2000, 2003, or 0")                      \
    N(RunSilent, ChangesHost, NonZero, "runs COMMAND ARGUMENT through the command interpreter, hidden; its exit code") \
    N(CheckUserRight, Reads, NonZero, "whether the process token holds the Administrators group, enabled") \
    N(GetCurrentInstallationType, Reads, Never, "the product's installation already on the host (2: none)") \
    N(Recode, Reads, NoText, "the first COUNT bytes of TEXT as printable pairs, the last byte's first") \
    N(Decode, Reads, NoText, "the inverse of Recode over the first COUNT characters of TEXT") \
    N(CreateShortcut, ChangesHost, Hresult, "writes the shortcut file LINK_PATH")                   \
    N(GetWinDeskTopDir, Reads, EmptyText, "the user's desktop folder")                              \
    N(GetWinProgramDir, Reads, EmptyText, "the user's Start-menu program groups folder")            \
    N(GetWindowsDir, Reads, EmptyText, "the Windows directory")                                     \
    N(GetAddress, Reads, NonZero, "the IPv4 adapters: network, mask, address, name, display name (BUFFER: @65536/5)") \
    N(GetHostIPAddr, Reads, NonZero, "the IPv4 addresses of the host's own name, 16-byte records (BUFFER: @65536/1)") \
    N(TrimRight, Reads, Never, "TEXT without its trailing blanks")                                  \
    N(TrimLeft, Reads, Never, "TEXT without its leading blanks")                                    \
    N(ValidateNet, Reads, NonZero, "whether HOST, MASK, NETWORK and OTHER fit together")            \
    N(ValidateTheIP, Reads, Zero, "1 for an acceptable host address (class A, B or C), else 0")     \
    N(CopyTheFile, ChangesHost, Zero, "copies SOURCE over DESTINATION: 1 when copied")              \
    N(IsLetterfigureString, Reads, NonZero, "whether TEXT holds ASCII letters and digits only")     \
    N(CheckBureauName, Reads, NonZero, "whether NAME is an acceptable bureau name")                 \
    N(CheckDestFileDir, Reads, NonZero, "whether PATH may be the installation directory")           \
    N(DelFilesAndDir, ChangesHost, Never, "removes the DIRECTORY tree; Windows leaves alone \"\", separators " \
      "only, a drive root, the Windows directory, the user's profile folder (under Wine also the Unix " \
      "home) and the folders above them; Linux leaves alone \"\", /, the home directory, every link on " \
      "the way to it and every folder above it; such a folder met inside the tree stays whole")        \
    N(GetErrorDescription, Reads, Never, "the text of a result code: its 32 bits as unsigned decimal")

// How each face shows each function, row for row as KARVELIN_FUNCTIONS.
//
// F(name, package, handling, report, label)
//   package   its name in the karvelin Python package
//   handling  what the Python glue and the program do around the call: Plain
//             (take the arguments, call, convert the answer); Counted (a text
//             and a count within it, answering a new text); PreparedRun,
//             PreparedCopy (made ready with the interpreter lock held, run
//             with it released); Removal (the same, and the program says what
//             is left of the folder)
//   report    where the program's report shows it: Host or Folder (run, under
//             its label), Samples (run on each of its samples),
//             HostAddresses, Adapters (a section of its own, with a buffer
//             for every record), ResultCodes (run on every result code),
//             NotRun (it changes the host)
#define KARVELIN_FUNCTION_FACES(F)                                                                     \
    F(CheckOS, check_os, Plain, Host, "release and service pack")                                     \
    F(CheckIeVersion, check_ie_version, Plain, Host, "browser version")                               \
    F(FindServerVersion, server_version, Plain, Host, "server release")                               \
    F(RunSilent, run_silent, PreparedRun, NotRun, "")                                                 \
    F(CheckUserRight, check_user_right, Plain, Host, "administrator")                                 \
    F(GetCurrentInstallationType, installation_type, Plain, Host, "installation type")                \
    F(Recode, recode, Counted, Samples, "")                                                           \
    F(Decode, decode, Counted, Samples, "")                                                           \
    F(CreateShortcut, create_shortcut, Plain, NotRun, "")                                             \
    F(GetWinDeskTopDir, desktop_dir, Plain, Folder, "desktop")                                        \
    F(GetWinProgramDir, program_dir, Plain, Folder, "program groups")                                 \
    F(GetWindowsDir, windows_dir, Plain, Folder, "Windows directory")                                 \
    F(GetAddress, adapters, Plain, Adapters, "")                                                      \
    F(GetHostIPAddr, host_addresses, Plain, HostAddresses, "")                                        \
    F(TrimRight, trim_right, Plain, Samples, "")                                                      \
    F(TrimLeft, trim_left, Plain, Samples, "")                                                        \
    F(ValidateNet, validate_net, Plain, Samples, "")                                                  \
    F(ValidateTheIP, validate_ip, Plain, Samples, "")                                                 \
    F(CopyTheFile, copy_file, PreparedCopy, NotRun, "")                                               \
    F(IsLetterfigureString, check_letterfigure, Plain, Samples, "")                                   \
    F(CheckBureauName, check_bureau_name, Plain, Samples, "")                                         \
    F(CheckDestFileDir, check_dest_dir, Plain, Samples, "")                                           \
    F(DelFilesAndDir, delete_tree, Removal, NotRun, "")                                               \
    F(GetErrorDescription, describe, Plain, ResultCodes, "")

// A sample call of each function, row for row as KARVELIN_FUNCTIONS: its
// arguments as the karvelin program takes them on its command line (a text;
// a number in decimal; for a text buffer, a text or "@SIZE/FIELDS": SIZE
// empty bytes, read as records of FIELDS fields). The report runs the
// samples of the functions that only read, and the tests call every
// function with its first sample through each face. A sample changes nothing
// outside a folder of the caller's, which "<temp>" at an argument's start
// stands for ("<temp>/NAME": NAME in it); CopyTheFile copies source.txt
// there when the caller has put one.
//
// S(name, {argument, ...}, ...): one sample or more. The texts hold no tab,
// line end, quote, ';', '[' or ']' (the build's samples.txt carries them).
#define KARVELIN_FUNCTION_SAMPLES(S)                                                                   \
    S(CheckOS, {})                                                                                    \
    S(CheckIeVersion, {})                                                                             \
    S(FindServerVersion, {})                                                                          \
    S(RunSilent, {"exit", "3"})                                                                       \
    S(CheckUserRight, {})                                                                             \
    S(GetCurrentInstallationType, {})                                                                 \
    S(Recode, {"abc", "3"})                                                                           \
    S(Decode, {"?E8>17", "6"})                                                                        \
    S(CreateShortcut, {"<temp>/target.exe", "a b", "<temp>", "<temp>/sample.lnk", "sample"})          \
    S(GetWinDeskTopDir, {})                                                                           \
    S(GetWinProgramDir, {})                                                                           \
    S(GetWindowsDir, {})                                                                              \
    S(GetAddress, {"@65536/5"})                                                                       \
    S(GetHostIPAddr, {"@65536/1"})                                                                    \
    S(TrimRight, {"  ab  "})                                                                          \
    S(TrimLeft, {"  ab  "})                                                                           \
    S(ValidateNet, {"192.168.1.10", "255.255.255.0", "192.168.1.0", "192.168.1.1"},                   \
      {"192.168.1.10", "255.255.255.0", "192.168.2.0", "192.168.1.1"})                                \
    S(ValidateTheIP, {"192.168.1.10"}, {"127.0.0.1"}, {"224.0.0.1"})                                  \
    S(CopyTheFile, {"<temp>/source.txt", "<temp>/copy.txt"})                                          \
    S(IsLetterfigureString, {"abc123"}, {"a_b"})                                                      \
    S(CheckBureauName, {"Bureau_1"}, {"1st"})                                                         \
    S(CheckDestFileDir, {"C:\\Server"}, {"C:\\"}, {"C:\\app.1"}, {"Q:\\Server"})                      \
    S(DelFilesAndDir, {"<temp>/tree"})                                                                \
    S(GetErrorDescription, {"236798225"})

namespace karvelin {

enum class Effect { Reads, ChangesHost };
enum class Failure { Never, NonZero, Zero, Hresult, NoText, EmptyText };
enum class Handling { Plain, Counted, PreparedRun, PreparedCopy, Removal };
enum class ReportSection { Host, Folder, Samples, HostAddresses, Adapters, ResultCodes, NotRun };
}  // namespace karvelin

// The rows as the compiler reads them, each table checked against the first.
#include "function_rows.h"
