/*
 * Karvelin.h - the native callers' contract of Karvelin.dll.
 *
 * Every function is a plain C export with an undecorated name and the
 * platform's default caller-cleans-up calling convention (cdecl). Texts are
 * 8-bit, NUL-terminated, in the system's ANSI code page.
 *
 * Checks answer a ResultCode: KARVELIN_OK (0) for success, otherwise one of
 * the ERR_ codes below (0x0E1D in the high 16 bits). Plain-number results are
 * said per function.
 *
 * Library-owned texts (GetErrorDescription, GetWinDeskTopDir,
 * GetWinProgramDir, GetWindowsDir) live in a buffer of the calling thread, one
 * per function: valid until the same thread calls the same function again, or
 * ends.
 *
 * New texts (Recode, Decode) belong to the caller, who gives them back with
 * KARVELIN_FREE_TEXT: LocalFree on Windows, free on Linux.
 *
 * A NULL text argument is taken as the empty text.
 */
#ifndef KARVELIN_H
#define KARVELIN_H

/* The library's version: the build, the version resources of the DLL and the
 * Python module, the karvelin program and the Python package all take theirs
 * from these lines. */
#define KARVELIN_VERSION_MAJOR 0
#define KARVELIN_VERSION_MINOR 1
#define KARVELIN_VERSION_PATCH 0
#define KARVELIN_VERSION_STRING "0.1.0"

/* The resource compiler reads the version alone. */
#ifndef RC_INVOKED

#include <stdint.h>
#if !defined(_WIN32)
#  include <stdlib.h> /* free, for KARVELIN_FREE_TEXT */
#endif

#if defined(_WIN32)
#  define KARVELIN_CALL __cdecl
#  define KARVELIN_API
#elif defined(__GNUC__)
#  define KARVELIN_CALL
#  define KARVELIN_API __attribute__((visibility("default")))
#else
#  define KARVELIN_CALL
#  define KARVELIN_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t ResultCode;

/* The header stands alone: it declares what KARVELIN_FREE_TEXT calls. On
 * Windows that is kernel32's LocalFree, declared as <windows.h> declares it
 * (HLOCAL is void *), so the two agree in either order and a caller need not
 * take all of <windows.h> with its macros. */
#if defined(_WIN32)
__declspec(dllimport) void *__stdcall LocalFree(void *memory);
#  define KARVELIN_FREE_TEXT(text) LocalFree((void *)(text))
#else
#  define KARVELIN_FREE_TEXT(text) free(text)
#endif

/* Every result code, in numeric order: X(name, value). Success, 0, is
 * KARVELIN_OK, no row of the list. */
#define KARVELIN_RESULT_CODES(X)                                                  \
    /* Destination directory check (CheckDestFileDir). */                         \
    X(ERR_DEST_PATH_INVALID, 0x0E1D4101) /* 236798209 */                          \
    X(ERR_DEST_NOT_NTFS, 0x0E1D8102) /* 236814594 */                              \
    X(ERR_DEST_PATH_HAS_DOT, 0x0E1D4103) /* 236798211 */                          \
    X(ERR_DEST_PATH_IS_ROOT, 0x0E1D4104) /* 236798212 */                          \
    /* Release and browser checks (CheckOS, CheckIeVersion). */                   \
    X(ERR_OS_UNSUPPORTED, 0x0E1D4111) /* 236798225 */                             \
    X(ERR_OS_NO_SERVICE_PACK, 0x0E1D4113) /* 236798227 */                         \
    X(ERR_VERSION_TOO_OLD, 0x0E1D4114) /* 236798228 */                            \
    /* Administrator check (CheckUserRight). */                                   \
    X(ERR_NOT_ADMIN, 0x0E1D4121) /* 236798241 */                                  \
    X(ERR_TOKEN_OPEN, 0x0E1D4122) /* 236798242 */                                 \
    X(ERR_TOKEN_QUERY, 0x0E1D4123) /* 236798243 */                                \
    X(ERR_TOKEN_ALLOC, 0x0E1D4124) /* 236798244 */                                \
    X(ERR_SID_ALLOC, 0x0E1D4125) /* 236798245 */                                  \
    /* Adapter inventory (GetAddress). */                                         \
    X(ERR_ADAPTER_INFO, 0x0E1D8161) /* 236814689 */                               \
    /* Address set check (ValidateNet). */                                        \
    X(ERR_NET_IP_EMPTY, 0x0E1D4171) /* 236798321 */                               \
    X(ERR_NET_IP_EQUALS_OTHER, 0x0E1D4172) /* 236798322 */                        \
    X(ERR_NET_BAD_ADDRESS, 0x0E1D4173) /* 236798323 */                            \
    X(ERR_NET_SUBNET_MISMATCH, 0x0E1D4174) /* 236798324 */                        \
    /* Name checks (IsLetterfigureString, CheckBureauName). */                    \
    X(ERR_NOT_LETTERFIGURE, 0x0E1D8181) /* 236814721 */                           \
    X(ERR_BAD_BUREAU_NAME, 0x0E1D8191) /* 236814737 */

/* Success, KARVELIN_OK, and the codes as constants (all below 0x80000000):
 * ResultCode constants in C++, enumeration constants in C (each after a comma,
 * so that the list ends without one, as C89 wants). */
#ifdef __cplusplus
static const ResultCode KARVELIN_OK = 0u;
#define KARVELIN_CODE_CONSTANT(name, value) static const ResultCode name = value##u;
KARVELIN_RESULT_CODES(KARVELIN_CODE_CONSTANT)
#else
#define KARVELIN_CODE_CONSTANT(name, value) , name = value
enum KarvelinResultCode { KARVELIN_OK = 0 KARVELIN_RESULT_CODES(KARVELIN_CODE_CONSTANT) };
#endif
#undef KARVELIN_CODE_CONSTANT

/* KARVELIN_OK when the release is 5.0 with service pack 4 or later, 5.1 with
 * 2 or later, or 5.2 with 1 or later; ERR_OS_UNSUPPORTED,
 * ERR_OS_NO_SERVICE_PACK or ERR_VERSION_TOO_OLD otherwise. */
KARVELIN_API ResultCode KARVELIN_CALL CheckOS(void);

/* KARVELIN_OK when the system browser's major version is 6 or more, else
 * ERR_VERSION_TOO_OLD (also when it cannot be read). */
KARVELIN_API ResultCode KARVELIN_CALL CheckIeVersion(void);

/* 2000 on release 5.0, 2003 on release 5.2, 0 otherwise. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL FindServerVersion(void);

/* Runs "<COMSPEC> /c <command> <argument>" (COMSPEC not set: "CMD.EXE"; on
 * Linux `/bin/sh -c "<command> <argument>"`) with its window hidden, waits for
 * its end and answers its exit code (0xFFFFFFFF reads -1), or the system's
 * error code when it cannot be started (2 for a missing interpreter) or its
 * exit code cannot be read (errno on Linux); 8 (ERROR_NOT_ENOUGH_MEMORY)
 * without memory. On Linux a child ended by a signal gives 128 + the signal's
 * number. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL RunSilent(const char *command, const char *argument);

/* KARVELIN_OK when the process token (never a thread's) holds the
 * Administrators group S-1-5-32-544 with the enabled flag set; ERR_NOT_ADMIN
 * when it does not (a group for deny only does not count); ERR_TOKEN_OPEN,
 * ERR_TOKEN_QUERY, ERR_TOKEN_ALLOC or ERR_SID_ALLOC when a step fails. On
 * Linux: KARVELIN_OK when the effective user is root, else ERR_NOT_ADMIN. */
KARVELIN_API ResultCode KARVELIN_CALL CheckUserRight(void);

/* The installation already on the host, read from the key
 * Software\TALVORNE\Monitor under HKEY_LOCAL_MACHINE: 2 when "DualComPort"
 * is empty or missing; otherwise "DualBamState" (1 when missing or unreadable)
 * minus 1, so 0 gives -1. On Linux (no registry) 2. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL GetCurrentInstallationType(void);

/* A new text: each of the n bytes (any value) as two printable characters
 * (40 to 118), the last byte's pair first; 2n characters and a NUL. NULL when
 * memory cannot be had. Release with KARVELIN_FREE_TEXT. */
KARVELIN_API char *KARVELIN_CALL Recode(const char *bytes, uint32_t n);

/* A new text of m / 2 bytes (rounded down) and a NUL: the inverse of Recode
 * over the first m characters; any characters are accepted. NULL when memory
 * cannot be had. Release with KARVELIN_FREE_TEXT. */
KARVELIN_API char *KARVELIN_CALL Decode(const char *text, uint32_t m);

/* Writes a shortcut file at link_path (used as given: no extension added, no
 * folder created) through the shell's link object, with the target path,
 * arguments, working directory and description as given (empty texts set
 * empty values). Answers 0 when written; 1 when the link object cannot be
 * created; 2 when it gives no IPersistFile; 0x800700CE (HRESULT_FROM_WIN32(
 * ERROR_FILENAME_EXCED_RANGE)) when link_path does not convert into 260 wide
 * characters, nothing saved; else the failure code of IPersistFile::Save
 * (negative). Enters and leaves the calling thread's COM apartment; a thread of
 * a multithreaded apartment keeps it. On Linux: 1. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL CreateShortcut(const char *target, const char *arguments, const char *working_dir,
                                                  const char *link_path, const char *description);

/* The current user's desktop folder (CSIDL_DESKTOP), its Start-menu program
 * groups folder (CSIDL_PROGRAMS, not the program-files folder), and the Windows
 * directory, as the system gives them. A missing folder is not created. ""
 * when the path cannot be had or does not fit 260 bytes; never NULL, never a
 * cut path. Library-owned, per thread and per function (see above). On Linux:
 * "". */
KARVELIN_API const char *KARVELIN_CALL GetWinDeskTopDir(void);
KARVELIN_API const char *KARVELIN_CALL GetWinProgramDir(void);
KARVELIN_API const char *KARVELIN_CALL GetWindowsDir(void);

/* GetAddress and GetHostIPAddr write into the caller's buffer and take no
 * length: the caller supplies room for the whole output, which is never
 * shortened. A NULL buffer is not written. */

/* Writes, per adapter of the system's IPv4 adapter list, five fields each
 * followed by a tab: network address (address AND mask), mask, address (the
 * adapter's first), adapter name, display name; then one NUL. Bytes after the
 * NUL are untouched. KARVELIN_OK, or ERR_ADAPTER_INFO (the buffer untouched)
 * when the adapter list cannot be had or is empty. Room needed: at most 608
 * bytes per adapter, and the NUL. */
KARVELIN_API ResultCode KARVELIN_CALL GetAddress(char *buffer);

/* Writes one 16-byte record per address of the host's own name: the dotted
 * address, blanks up to byte 15, a tab. No NUL, nothing after the last record;
 * nothing at all when the name or its lookup fails. Room needed: 16 bytes per
 * address. Answers the result of its socket clean-up: 0, or -1 (SOCKET_ERROR,
 * also when its socket start-up failed). */
KARVELIN_API int32_t KARVELIN_CALL GetHostIPAddr(char *buffer);

/* In place: the blanks (0x20) at the end become NUL bytes. Texts of 255 bytes
 * or more are left unchanged. */
KARVELIN_API void KARVELIN_CALL TrimRight(char *text);

/* In place: the text after its leading blanks moves to the start; the freed
 * bytes at the old end become NUL. Texts of 255 bytes or more are left
 * unchanged. */
KARVELIN_API void KARVELIN_CALL TrimLeft(char *text);

/* KARVELIN_OK when host, mask, network and other address fit together; else
 * ERR_NET_IP_EMPTY, ERR_NET_IP_EQUALS_OTHER, ERR_NET_BAD_ADDRESS or
 * ERR_NET_SUBNET_MISMATCH (the first step that fails). */
KARVELIN_API ResultCode KARVELIN_CALL ValidateNet(const char *host, const char *mask, const char *network,
                                                  const char *other);

/* 1 for an acceptable host address (class A, B or C, not 0.0.0.0 or
 * 127.0.0.1), 0 otherwise. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL ValidateTheIP(const char *address);

/* Resets the destination's attributes to normal (Linux: gives its owner write
 * permission), then copies the source over it: 1 when the copy succeeded,
 * 0 otherwise. A destination that is the source itself, by any name or link,
 * answers 0 with nothing changed. On Linux the copy keeps the source's
 * permission bits (never set-user-ID or set-group-ID) and its holes, and a
 * source or destination that is no regular file (a FIFO, a device, a folder)
 * is refused at once (0), never waited on. Not a ResultCode. */
KARVELIN_API int32_t KARVELIN_CALL CopyTheFile(const char *source, const char *destination);

/* KARVELIN_OK when every byte is an ASCII letter or digit; else
 * ERR_NOT_LETTERFIGURE. */
KARVELIN_API ResultCode KARVELIN_CALL IsLetterfigureString(const char *text);

/* KARVELIN_OK when the name starts with an ASCII letter or a non-ASCII
 * character and holds only ASCII letters, digits, '_', '-' and non-ASCII
 * characters; else ERR_BAD_BUREAU_NAME. */
KARVELIN_API ResultCode KARVELIN_CALL CheckBureauName(const char *name);

/* KARVELIN_OK when the path lies on a lettered drive with an NTFS volume,
 * names more than the bare drive and holds no dot; else ERR_DEST_PATH_HAS_DOT,
 * ERR_DEST_PATH_INVALID, ERR_DEST_PATH_IS_ROOT or ERR_DEST_NOT_NTFS. */
KARVELIN_API ResultCode KARVELIN_CALL CheckDestFileDir(const char *path);

/* Removes the directory tree, trailing separators or not: files, directories
 * of any attributes, and links themselves, never what a link points to (a
 * path that is a link loses the link alone); a file with other names keeps its
 * attributes. When the directory stays and holds only plain folders and files
 * of one name that the walk listed, starts ATTRIB -R -H -S /S /D "<dir>\*"
 * and rmdir /S/Q "<dir>\\" (quoted, hidden, without a console window, not
 * waited for) once, <dir> being the system's name for the directory the walk
 * held. Leaves untouched an empty path, separators only, a drive root in any
 * form, the Windows directory, the user's profile folder (and under Wine the
 * Unix home) and every folder above them; such a folder met inside the tree
 * stays whole, with the folders that hold it. Linux: the same walk through
 * descriptors, no link followed, no file system crossed, no command, the
 * folder that holds the tree left as it is; refuses "", "/", a last name "."
 * or "..", the home directory, every link on the way to it and every folder
 * above it as HOME spells it. Reports nothing. */
KARVELIN_API void KARVELIN_CALL DelFilesAndDir(const char *directory);

/* The code's 32 bits as an unsigned decimal text ("%u"). Library-owned, per
 * thread (see above); never NULL. */
KARVELIN_API const char *KARVELIN_CALL GetErrorDescription(ResultCode code);

#ifdef __cplusplus
}
#endif

#endif /* RC_INVOKED */

#endif /* KARVELIN_H */
